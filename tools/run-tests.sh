#!/usr/bin/env bash
# Runs one preset's tests with ctest and prints its summary: on a terminal ctest's one-line
# progress, elsewhere (a log, CI) only the lines that are not a test starting or passing. A
# failing test's output is printed in full. Then the tests that skipped themselves, with
# their reasons. Where XDG_RUNTIME_DIR is unset, Qt's tests get a private runtime folder under
# build/PRESET (else Qt says it is defaulting to one in /tmp).
#
#   tools/run-tests.sh PRESET [CTEST_OPTION...]
#
# JOBS sets the tests run at once (default: the number of cores). The exit status is ctest's.
set -uo pipefail
cd "$(dirname "$0")/.."

preset=${1:?usage: tools/run-tests.sh PRESET [CTEST_OPTION...]}
shift
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR="$PWD/build/$preset/runtime"
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"
fi
ctest_command=(ctest --preset "$preset" -j "$jobs" --progress --output-on-failure "$@")

if [ -t 1 ]; then
    "${ctest_command[@]}"
    status=$?
else
    # "        Start  12: Name" and " 12/311 Test  #12: Name ....   Passed    0.01 sec"; a
    # skipped test is listed again below, with its reason.
    "${ctest_command[@]}" 2>&1 |
        grep -vE '^ +Start +[0-9]+: |^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*(Passed|\*\*\*Skipped) +[0-9.]+ sec$'
    status=${PIPESTATUS[0]}
fi
tools/list-skips.sh "build/$preset"
exit "$status"
