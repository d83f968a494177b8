#!/usr/bin/env bash
# Makes the Windows installer from a folder laid out as the portable zip is (sondrel.exe,
# sondrel-calc.exe, README.txt, LICENSE.txt, Qt\...), with wixl (Debian's msitools):
#
#   packaging/windows/make-msi.sh STAGE_DIR VERSION OUTPUT.msi [WXS]
#
# WXS is packaging/windows/sondrel.wxs unless given. The files under Qt\ are listed by
# wixl-heat into a fragment of their own. wixl writes beside OUTPUT; the .msi appears only
# when wixl succeeds, and on a failure any older OUTPUT is gone too, with wixl's message.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
stage=${1:?usage: make-msi.sh STAGE_DIR VERSION OUTPUT.msi [WXS]}
version=${2:?usage: make-msi.sh STAGE_DIR VERSION OUTPUT.msi [WXS]}
output=${3:?usage: make-msi.sh STAGE_DIR VERSION OUTPUT.msi [WXS]}
wxs=${4:-$root/packaging/windows/sondrel.wxs}

fail() {
    echo "make-msi: $*" >&2
    exit 1
}
command -v wixl >/dev/null || fail "wixl not found (install the package wixl)"
[ -d "$stage/Qt" ] || fail "no Qt folder in $stage"
stage=$(cd "$stage" && pwd)

rm -f "$output"
work=$(mktemp -d "$(dirname "$output")/.msi-XXXXXX")
trap 'rm -rf "$work"' EXIT
# 64-bit components, as the rest: they install into ProgramFiles64Folder.
(cd "$stage" && find Qt -type f | LC_ALL=C sort |
    wixl-heat -p Qt/ --directory-ref QtFolder --component-group QtNotes --var var.QtDir |
    sed 's/<Component /<Component Win64="yes" /') >"$work/qt-notes.wxs"
# wixl finds a file only by a relative name (from here).
here() { realpath --relative-to=. "$1"; }
if ! wixl -a x64 -D Version="$version" -D StageDir="$(here "$stage")" -D QtDir="$(here "$stage/Qt")" \
    -D IconFile="$(here "$root/app/icons/sondrel.ico")" -o "$work/out.msi" "$wxs" "$work/qt-notes.wxs"; then
    fail "wixl failed on $wxs; no $(basename "$output") made"
fi
mv "$work/out.msi" "$output"
