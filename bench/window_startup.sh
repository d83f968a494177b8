#!/usr/bin/env bash
# The window's speed, measured side by side in one run under Xvfb:
#   - start-up to the window on screen (mapped, and first painted) and resident memory once
#     shown, for sondrel against the least Qt Widgets main window built from the same Qt (and,
#     to show what any text costs, that window with one label);
#   - Calculate from the click to the final text, in the real window.
#
#   bench/window_startup.sh [BUILD_DIR] [RUNS]      (default build/dev, 15 runs)
#
# Builds what it needs in BUILD_DIR (configured with the dev preset when it is new).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
runs=${2:-15}

tools/install-deps.sh libxcb1-dev  # window-watch talks to the X server through libxcb
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset dev -B "$build" >/dev/null
fi
cmake --build "$build" -j 2 --target sondrel least-window least-text-window window-watch \
    calculate-click >/dev/null

export SONDREL_BUILD=$build SONDREL_RUNS=$runs
unset QT_QPA_PLATFORM
# -br: a black root window, so a window counts as painted once its corner is not black.
xvfb-run -a -s "-br -screen 0 1280x1024x24" bash -c '
    set -e
    export XDG_RUNTIME_DIR=$(mktemp -d)
    echo "== Start-up and memory: least Qt Widgets main window vs sondrel (Qt $(pkg-config --modversion Qt6Core 2>/dev/null || echo 6))"
    "$SONDREL_BUILD/bench/window-watch" --runs "$SONDREL_RUNS" \
        least="$SONDREL_BUILD/bench/least-window" \
        least-text="$SONDREL_BUILD/bench/least-text-window" \
        sondrel="$SONDREL_BUILD/app/sondrel"
    echo
    echo "== Calculate"
    "$SONDREL_BUILD/bench/calculate-click"
    rm -rf "$XDG_RUNTIME_DIR"
'
