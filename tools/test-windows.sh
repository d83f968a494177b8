#!/usr/bin/env bash
# `make test-windows`: cross-builds the core, sondrel-calc and their tests for Windows (the
# windows preset, MinGW-w64) and runs them under Wine, headless, in a Wine prefix of its own
# (build/windows/wine). One line per step; a failing step's full output follows its line.
set -uo pipefail
cd "$(dirname "$0")/.."

jobs="${JOBS:-2}"
build=build/windows
logs="$build/logs"
mkdir -p "$logs"
export WINEPREFIX="$PWD/$build/wine"

failed=0
# step NAME COMMAND...: runs it with its output in $logs/NAME.log.
step() {
    local name="$1" start=$SECONDS
    shift
    if "$@" >"$logs/$name.log" 2>&1; then
        printf 'test-windows: %-11s ok (%d s)\n' "$name" $((SECONDS - start))
        return 0
    fi
    printf 'test-windows: %-11s FAILED (%d s), output:\n' "$name" $((SECONDS - start))
    sed 's/^/  /' "$logs/$name.log"
    failed=1
    return 1
}

step configure cmake --preset windows || exit 1
step build cmake --build --preset windows -j "$jobs" || exit 1
# The prefix is made on Wine's first start; doing it here keeps that out of the tests' time.
step wine-prefix tools/wine-run.sh wineboot --init || exit 1
step calc_tests tools/wine-run.sh "$build/tests/calc/calc_tests.exe" --gtest_brief=1
step files_tests tools/wine-run.sh "$build/tests/files/files_tests.exe" --gtest_brief=1
step cli_tests tools/wine-run.sh "$build/tests/cli/cli_tests.exe" --gtest_brief=1
step smoke tests/windows/smoke.sh "$build"
tools/wine-run.sh wineserver -k >/dev/null 2>&1 || true
exit $failed
