#!/usr/bin/env bash
# Start-up of the Windows window under Wine, on Xvfb: sondrel.exe against the least Qt Widgets
# main window built the same way (MinGW-w64, the static Qt of tools/build-qt-mingw.sh, -static
# -s), from launch to the window mapped and first painted, with the ratio of the medians. Runs
# alternate between the two, in one Wine prefix whose server stays up, so both see the same
# machine and neither pays for Wine's first start.
#
#   bench/window_startup_windows.sh [RUNS]      (default 15; make test-windows first)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
root=$PWD
windows_build=build/windows
bench_build=build/windows-bench
[ -f "$windows_build/app/sondrel.exe" ] || { echo "no $windows_build/app/sondrel.exe: run make test-windows" >&2; exit 1; }

tools/install-deps.sh libxcb1-dev
# window-watch (Linux, from the dev build) times windows by the X events they cause.
cmake --build build/dev -j 2 --target window-watch >/dev/null
qt=$(tools/build-qt-mingw.sh --prefix)
cmake -S bench/windows -B "$bench_build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_EXE_LINKER_FLAGS_RELEASE=-s >/dev/null
cmake --build "$bench_build" -j 2 >/dev/null

# window-watch starts a program with no arguments: one launcher each, which becomes the Wine
# process (exec), so the window's _NET_WM_PID is the launcher's.
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
for program in "$bench_build/least-window.exe" "$windows_build/app/sondrel.exe"; do
    launcher="$bench_build/$(basename "$program" .exe).sh"
    printf '#!/bin/sh\nexec "%s" "%s"\n' "$wine" "$root/$program" >"$launcher"
    chmod +x "$launcher"
done
echo "sondrel.exe $(($(stat -c %s "$windows_build/app/sondrel.exe") / 1024)) KiB," \
    "least-window.exe $(($(stat -c %s "$bench_build/least-window.exe") / 1024)) KiB"

export WINEPREFIX="$root/$windows_build/wine" WINEDEBUG=-all BENCH="$root/$bench_build" RUNS=$runs
xvfb-run -a -s "-br -screen 0 1280x1024x24" bash -c '
    set -e
    tools/wine-run.sh wineserver -p  # stays up between runs
    "$1" wineboot >/dev/null 2>&1
    build/dev/bench/window-watch --runs "$RUNS" least="$BENCH/least-window.sh" \
        sondrel="$BENCH/sondrel.sh" | tee "$BENCH/startup.txt"
    tools/wine-run.sh wineserver -k
' _ "$wine"
