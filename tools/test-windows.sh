#!/usr/bin/env bash
# `make test-windows`: cross-builds the window, sondrel-calc and their tests for Windows (the
# windows preset: MinGW-w64 and the static Qt of tools/build-qt-mingw.sh, built first when it
# is not cached) and runs them under Wine in a prefix of its own (build/windows/wine): the
# tests headless, then tests/windows/smoke.sh, whose window rows drive sondrel.exe on Xvfb
# with openbox. One line per step; a failing step's full output follows its line.
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

# The Wine prefix, made on Wine's first start (kept out of the tests' time), with Wine's Tahoma
# where Windows keeps its fonts: without it "MS Shell Dlg" falls back to a serif font.
wine_prefix() {
    tools/wine-run.sh wineboot --init &&
        tools/wine-run.sh wineserver -w &&
        cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf \
            "$WINEPREFIX/drive_c/windows/Fonts/"
}

# The static Qt prints its own line (and the log's end, with what to do, when it fails).
JOBS=$jobs tools/build-qt-mingw.sh || exit 1
# The window rows of the smoke table compare with the Linux build's sondrel-calc.
step linux-calc tools/build.sh dev --target sondrel-calc || exit 1
step configure cmake --preset windows -DSONDREL_WERROR="${SONDREL_WERROR:-OFF}" || exit 1
step build cmake --build --preset windows -j "$jobs" || exit 1
step wine-prefix wine_prefix || exit 1
step calc_tests tools/wine-run.sh "$build/tests/calc/calc_tests.exe" --gtest_brief=1
step files_tests tools/wine-run.sh "$build/tests/files/files_tests.exe" --gtest_brief=1
step cli_tests tools/wine-run.sh "$build/tests/cli/cli_tests.exe" --gtest_brief=1
# Every ui test program, by its ctest name; their environment is set in tests/ui.
step ui_tests ctest --test-dir "$build" -R '^ui\.' --output-on-failure
step smoke tests/windows/smoke.sh "$build" build/dev
tools/wine-run.sh wineserver -k >/dev/null 2>&1 || true
exit $failed
