#!/usr/bin/env bash
# Checks the portable Windows zip (make package-windows): it holds exactly the expected files,
# and unpacked into a folder with a non-ASCII name, both programs start from there under Wine:
# sondrel-calc.exe prints the default results, sondrel.exe shows its window (on Xvfb).
#
#   packaging/check-windows.sh [BUILD_DIR]      (default build/windows)
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows}
export WINEPREFIX="$PWD/$build/wine"
root=$PWD

failures=0
ok() { echo "ok: $*"; }
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

zips=("$build"/sondrel-*-windows-x86_64.zip)
zip_file=${zips[0]}
[ ${#zips[@]} -eq 1 ] && [ -f "$zip_file" ] ||
    { echo "FAIL: not one sondrel-*-windows-x86_64.zip in $build" >&2; exit 1; }
name=$(basename "$zip_file" .zip)
size=$(stat -c %s "$zip_file")
[ "$size" -lt $((10 * 1024 * 1024)) ] && ok "$(basename "$zip_file"): $((size / 1024)) KiB" ||
    fail "$(basename "$zip_file") is $((size / 1024)) KiB, over 10 MiB"

# The top of the tree exactly; under Qt/, at least the note and the LGPL.
listing=$(unzip -Z1 "$zip_file")
top=$(grep -v '/$' <<<"$listing" | grep -v "^$name/Qt/" | sort)
expected=$(printf "$name/%s\n" LICENSE.txt README.txt sondrel-calc.exe sondrel.exe)
[ "$top" = "$expected" ] && ok "the programs, README.txt and LICENSE.txt" ||
    fail "the zip's files are:"$'\n'"$top"
for file in Qt/SOURCE.txt Qt/LICENSES/LGPL-3.0-only.txt Qt/3rdparty/freetype/LICENSE.txt \
    Qt/3rdparty/libpng/LICENSE Qt/3rdparty/zlib/qt_attribution.json; do
    grep -qxF "$name/$file" <<<"$listing" && ok "$file" || fail "no $file in the zip"
done

# Unpacked into a folder with a non-ASCII name, started from there.
folder="$PWD/$build/package-check/Sondrel Ünïcødé Ω"
rm -rf "$build/package-check"
mkdir -p "$folder"
unzip -q "$zip_file" -d "$folder"
cd "$folder/$name" || exit 1
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
defaults=$'VR2 = 1813. Ohms\nVR1 wiper to GND side = 1851. Ohms\nLoVin = 3.792 Volts\nHiVin = 4.249 Volts'
got=$(WINEDEBUG=-all DISPLAY='' "$wine" sondrel-calc.exe 2>&1)
[ "$got" = "$defaults" ] && ok "sondrel-calc.exe prints the default results" ||
    fail "sondrel-calc.exe printed: $got"
# The window on Xvfb: it shows within a minute, and closes when asked.
if xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    WINEDEBUG=-all "$1" sondrel.exe & pid=$!
    window=$(timeout 60 xdotool search --sync --onlyvisible --name "^Sondrel\$" | head -n 1)
    [ -n "$window" ] || { kill $pid; exit 1; }
    xdotool windowclose "$window" 2>/dev/null
    for i in $(seq 50); do kill -0 $pid 2>/dev/null || exit 0; sleep 0.2; done
    kill $pid; exit 0' _ "$wine"; then
    ok "sondrel.exe shows its window, started from \"$(basename "$folder")\""
else
    fail "sondrel.exe showed no window"
fi
"$root/tools/wine-run.sh" wineserver -k >/dev/null 2>&1 || true

[ $failures -eq 0 ] && echo "check-windows: all passed" || echo "check-windows: $failures failed" >&2
[ $failures -eq 0 ]
