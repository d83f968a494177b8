#!/usr/bin/env bash
# Lists the tests that skipped themselves in the last ctest run, each with its reason, as
# GoogleTest (GTEST_SKIP) and Qt Test (QSKIP) printed them into ctest's LastTest.log.
# Prints nothing when no test skipped.
#
#   tools/list-skips.sh BUILD_DIR|LOG_FILE
set -euo pipefail

log=${1:?usage: tools/list-skips.sh BUILD_DIR|LOG_FILE}
[ -d "$log" ] && log=$log/Testing/Temporary/LastTest.log
[ -f "$log" ] || exit 0

LC_ALL=C awk '
    function add_skip(name) {
        if (!(name in seen)) {
            seen[name] = 1
            skips[++count] = name ": " (reason == "" ? "(no reason given)" : reason)
        }
        in_skip = 0
        reason = ""
    }
    { sub(/\r$/, "") }
    # GoogleTest: "[ RUN      ] Suite.Name", "file.cpp:94: Skipped", the reason on the lines
    # after it, then "[  SKIPPED ] Suite.Name (0 ms)". The run'"'"'s closing list repeats the
    # names, with no "Skipped" line before them.
    /^\[ RUN      \] / { test = substr($0, 14); in_skip = 0; reason = ""; next }
    /^[^ ].*:[0-9]+: Skipped$/ && test != "" { in_skip = 1; reason = ""; next }
    /^\[  SKIPPED \] / {
        if (in_skip) {
            add_skip(test)
        }
        next
    }
    in_skip {
        line = $0
        gsub(/^[ \t]+|[ \t]+$/, "", line)
        if (line != "") {
            reason = reason == "" ? line : reason " " line
        }
        next
    }
    # Qt Test: "SKIP   : Class::function(row) reason".
    /^SKIP   : / {
        rest = substr($0, 10)
        if (match(rest, /^[^ (]+\([^)]*\)/)) {
            name = substr(rest, 1, RLENGTH)
            reason = substr(rest, RLENGTH + 1)
            gsub(/^[ \t]+|[ \t]+$/, "", reason)
        } else {
            name = rest
            reason = ""
        }
        add_skip(name)
    }
    END {
        if (count == 0) {
            exit
        }
        printf "\nSkipped tests, with their reasons (%d):\n", count
        for (i = 1; i <= count; ++i) {
            print "  " skips[i]
        }
    }
' "$log"
