#!/usr/bin/env bash
# Makes the Windows installer and the portable zip from a built windows preset (build/windows):
#   build/windows/sondrel-<version>-windows-x86_64.msi   (packaging/windows/make-msi.sh)
#   build/windows/sondrel-<version>-windows-x86_64.zip
# both holding sondrel.exe, sondrel-calc.exe, README.txt, LICENSE.txt and, under Qt\, the note
# on the Qt source used with Qt's and its bundled libraries' licences. Text files get CR LF.
#
#   packaging/package-windows.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "package-windows: no project version in $build/CMakeCache.txt" >&2; exit 1; }
qt=$(tools/build-qt-mingw.sh --prefix)
name=sondrel-$version-windows-x86_64
zip_file=$PWD/$build/$name.zip
msi_file=$build/$name.msi
stage=$build/package/$name
rm -rf "$build/package" "$zip_file" "$msi_file"
mkdir -p "$stage/Qt"

cp "$build/app/sondrel.exe" "$build/cli/sondrel-calc.exe" "$stage/"
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
crlf LICENSE "$stage/LICENSE.txt"
sed -e "s|@VERSION@|$version|" \
    -e "s|@SOURCE_URL@|https://github.com/sondrel/sondrel (tag v$version)|" \
    packaging/windows/README.txt.in >"$stage/README.tmp"
crlf "$stage/README.tmp" "$stage/README.txt"
rm "$stage/README.tmp"
crlf "$qt/SOURCE.txt" "$stage/Qt/SOURCE.txt"
cp -r "$qt/LICENSES" "$qt/3rdparty" "$stage/Qt/"

(cd "$build/package" && TZ=UTC zip -q -X -r -9 "$zip_file" "$name")
packaging/windows/make-msi.sh "$stage" "$version" "$msi_file"
echo "package-windows: $build/$name.zip ($(($(stat -c %s "$zip_file") / 1024)) KiB;" \
    "sondrel.exe $(($(stat -c %s "$stage/sondrel.exe") / 1024)) KiB)," \
    "$name.msi ($(($(stat -c %s "$msi_file") / 1024)) KiB)"
