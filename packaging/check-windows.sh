#!/usr/bin/env bash
# Checks what make package-windows made, under Wine:
# - the portable zip holds exactly the expected files, and unpacked into a folder with a
#   non-ASCII name, both programs start from there: sondrel-calc.exe prints the default
#   results, sondrel.exe shows its window (on Xvfb);
# - the installer, in a Wine prefix of its own: installed quietly, it puts the zip's files
#   under Program Files\Sondrel, a Start-menu shortcut and an Apps & features entry; both
#   programs work from there (the window from the shortcut's target and working folder); a
#   build one version newer replaces it; removing it leaves the user's reports alone; a
#   per-user install goes into the user's own folder; a broken .wxs or a missing file makes
#   no .msi;
# - the core and sondrel-calc configure and build for Windows with no Qt package at all.
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
cd "$root" || exit 1

# --- The installer ------------------------------------------------------------------------
msi_file=$build/$name.msi
version=${name#sondrel-}
version=${version%-windows-x86_64}
if [ -f "$msi_file" ]; then
    size=$(stat -c %s "$msi_file")
    [ "$size" -lt $((10 * 1024 * 1024)) ] && ok "$name.msi: $((size / 1024)) KiB" ||
        fail "$name.msi is $((size / 1024)) KiB, over 10 MiB"
else
    fail "no $name.msi in $build"
fi
# The zip's tree, unpacked: what an install must hold, and the stage of the next version's .msi.
scratch=$root/$build/msi-check
rm -rf "$scratch"
mkdir -p "$scratch/stage"
unzip -q "$zip_file" -d "$scratch/stage"
zip_tree=$scratch/stage/$name
export WINEPREFIX=$scratch/wine
in_wine() { "$root/tools/wine-run.sh" "$@" 2>/dev/null | tr -d '\r'; }
in_wine wineboot --init >/dev/null
in_wine wineserver -w
# C:\x\y is the prefix's drive_c/x/y; a file here is Z:\ and its path.
unix_path() {
    local path=${1#[Cc]:\\}
    printf '%s/drive_c/%s' "$WINEPREFIX" "${path//\\//}"
}
windows_path() { local path; path=$(readlink -f "$1") && printf 'Z:%s' "${path//\//\\}"; }
profile=$(in_wine cmd /c 'echo %USERPROFILE%')
documents=$(unix_path "$profile\\Documents")
machine_folder=$(unix_path 'C:\Program Files\Sondrel')
user_folder=$(unix_path "$(in_wine cmd /c 'echo %LOCALAPPDATA%')\\Programs\\Sondrel")
linux_calc=$root/build/dev/cli/sondrel-calc
[ -x "$linux_calc" ] || "$root/tools/build.sh" dev --target sondrel-calc >/dev/null

# Apps & features: one line per entry named Sondrel, version|publisher|uninstall command.
sondrel_entries() {
    local key
    for key in HKLM HKCU; do
        in_wine reg query "$key\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s
    done | awk -F '    ' '
        function flush() { if (name == "Sondrel") print version "|" publisher "|" uninstall }
        /^HKEY_/ { flush(); name = version = publisher = uninstall = ""; next }
        $2 == "DisplayName" { name = $4 }
        $2 == "DisplayVersion" { version = $4 }
        $2 == "Publisher" { publisher = $4 }
        $2 == "UninstallString" { uninstall = $4 }
        END { flush() }'
}
# The Start menus' shortcuts named Sondrel, the user's and everyone's.
shortcuts() { find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/Sondrel.lnk'; }
# lnk_field FILE target|workdir|icon, from the shell link layout (MS-SHLLINK): a 76-byte header
# with the flags at 20, the ID list, the link info with the target's local path, then counted
# UTF-16 strings: name, relative path, working folder, arguments, icon.
lnk_field() {
    local file=$1 flags pos info bit n
    num() { od -An -tu"$2" -j"$1" -N"$2" "$file" | tr -d ' \n'; }
    flags=$(num 20 4)
    pos=76
    ((flags & 0x01)) && pos=$((pos + 2 + $(num $pos 2)))
    info=$pos
    ((flags & 0x02)) && pos=$((pos + $(num $pos 4)))
    if [ "$2" = target ]; then
        ((flags & 0x02)) || return 1
        tail -c +$((info + $(num $((info + 16)) 4) + 1)) "$file" | tr '\0' '\n' | head -n 1
        return
    fi
    ((flags & 0x80)) || return 1
    for bit in 0x04:name 0x08:relative 0x10:workdir 0x20:arguments 0x40:icon; do
        ((flags & ${bit%%:*})) || continue
        n=$(num $pos 2)
        if [ "${bit#*:}" = "$2" ]; then
            tail -c +$((pos + 3)) "$file" | head -c $((2 * n)) | iconv -f UTF-16LE -t UTF-8 | tr -d '\0'
            return
        fi
        pos=$((pos + 2 + 2 * n))
    done
    return 1
}
# installed_as FOLDER WHAT: FOLDER holds the zip's files, byte for byte, and nothing else but
# the user's Output.txt.
installed_as() {
    local differences
    differences=$(diff -r -x Output.txt "$1" "$zip_tree" 2>&1) && ok "$2" ||
        fail "$2: $(head -n 5 <<<"$differences")"
}
# one_install VERSION WHAT: one Apps & features entry, of VERSION, and one shortcut.
one_install() {
    local entries
    entries=$(sondrel_entries)
    [ "$(wc -l <<<"$entries")" -eq 1 ] && [ "${entries%%|*}" = "$1" ] &&
        [ "$(shortcuts | wc -l)" -eq 1 ] && ok "$2" ||
        fail "$2: Apps & features has \"$entries\"; shortcuts: $(shortcuts)"
}

if in_wine msiexec /i "$(windows_path "$msi_file")" /qn; then
    ok "msiexec /i $name.msi /qn"
else
    fail "msiexec /i $name.msi /qn failed"
fi
installed_as "$machine_folder" "the zip's files, and only those, in C:\\Program Files\\Sondrel"
entry=$(sondrel_entries)
[[ "$entry" =~ ^"$version|The Sondrel developers|MsiExec.exe /X{"[0-9A-F-]{36}"}"$ ]] &&
    ok "Apps & features: Sondrel $version, its publisher, MsiExec /X" ||
    fail "Apps & features entries: \"$entry\""
icon=$(in_wine reg query "HKLM\\Software\\Classes\\Installer\\Products" /s | awk -F '    ' '
    /^HKEY_/ { icon = "" }
    $2 == "ProductIcon" { icon = $4 }
    $2 == "ProductName" && $4 == "Sondrel" { print icon }')
cmp -s "$(unix_path "$icon")" app/icons/sondrel.ico && ok "Apps & features: Sondrel's icon" ||
    fail "Apps & features icon \"$icon\" is not app/icons/sondrel.ico"
# Wine puts the shortcuts of a per-machine install into the user's Start menu too.
link=$(shortcuts)
target=$(lnk_field "$link" target)
workdir=$(lnk_field "$link" workdir)
[ "$(wc -l <<<"$link")" -eq 1 ] && [ "$target" = 'C:\Program Files\Sondrel\sondrel.exe' ] &&
    [ "${workdir%\\}" = "$profile\\Documents" ] &&
    ok "shortcut ${link#"$WINEPREFIX/drive_c/"}: sondrel.exe, started in Documents" ||
    fail "shortcut \"$link\": target \"$target\", working folder \"$workdir\""
cmp -s "$(unix_path "$(lnk_field "$link" icon)")" app/icons/sondrel.ico &&
    ok "the shortcut's icon is Sondrel's" || fail "the shortcut's icon: $(lnk_field "$link" icon)"

# sondrel-calc.exe from the install folder: the Linux build's report, byte for byte.
inputs=(--report - --header "Site 7" 1500 27.5 30.5 1.5 7.5)
cmp -s <("$root/tools/wine-run.sh" 'C:\Program Files\Sondrel\sondrel-calc.exe' "${inputs[@]}") \
    <("$linux_calc" "${inputs[@]}") && ok "the installed sondrel-calc.exe writes the Linux build's report" ||
    fail "the installed sondrel-calc.exe wrote another report"

# The window as the shortcut starts it (on Xvfb with openbox): Calculate, then Generate_Report
# from the menu bar writes Output.txt into Documents.
mkdir -p "$documents"
rm -f "$documents/Output.txt"
# The programs above ran without a display; a window needs a Wine session started with one.
in_wine wineserver -w
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    openbox >/dev/null 2>&1 &
    cd "$1" || exit 1
    WINEDEBUG=-all "$2" "$3" >/dev/null 2>&1 & pid=$!
    window=$(timeout 60 xdotool search --sync --onlyvisible --name "^Sondrel\$" | head -n 1)
    [ -n "$window" ] || { kill $pid; exit 1; }
    xdotool windowactivate --sync "$window"
    sleep 2
    xdotool key --delay 80 Tab space
    sleep 1
    xdotool key --delay 80 alt Right Return
    for i in $(seq 50); do [ -s "$1/Output.txt" ] && break; sleep 0.2; done
    xdotool windowactivate --sync "$window" key alt+F4
    for i in $(seq 50); do kill -0 $pid 2>/dev/null || exit 0; sleep 0.2; done
    kill $pid 2>/dev/null' _ "$documents" "$(command -v wine64 || echo /usr/lib/wine/wine64)" "$target"
cmp -s "$documents/Output.txt" <("$linux_calc" --report - 0 28 31 1.25 8.25) &&
    ok "the window from the shortcut wrote its report to Documents\\Output.txt" ||
    fail "the window from the shortcut wrote no right Documents\\Output.txt"
in_wine wineserver -w
# Reports of the user's, which no upgrade or removal may touch (one in the install folder).
printf 'a report of the user\r\n' >"$machine_folder/Output.txt"
[ -f "$documents/Output.txt" ] || cp "$machine_folder/Output.txt" "$documents/Output.txt"
cp "$documents/Output.txt" "$scratch/documents-report"

# The next version, from the same files: it replaces this one.
IFS=. read -r major minor patch <<<"$version"
next=$major.$minor.$((patch + 1))
mkdir -p "$scratch/next"
if packaging/windows/make-msi.sh "$zip_tree" "$next" "$scratch/next/sondrel-$next.msi" &&
    in_wine msiexec /i "$(windows_path "$scratch/next/sondrel-$next.msi")" /qn; then
    one_install "$next" "version $next installed over $version: one entry, one shortcut"
    installed_as "$machine_folder" "after the upgrade, the zip's files in C:\\Program Files\\Sondrel"
    ! in_wine msiexec /i "$(windows_path "$msi_file")" /qn &&
        one_install "$next" "version $version refused over $next, which stays" ||
        fail "version $version went over $next"
else
    fail "could not make or install version $next"
fi

# Removed as Apps & features removes it: every file and the shortcut go, the reports stay.
product=$(sondrel_entries | sed -n 's/.*MsiExec.exe \/X//p')
in_wine msiexec /x "$product" /qn
left=$(cd "$machine_folder" 2>/dev/null && find . -mindepth 1)
[ "$left" = ./Output.txt ] && [ -z "$(shortcuts)" ] && [ -z "$(sondrel_entries)" ] &&
    ok "msiexec /x: no file, shortcut or entry left but the user's Output.txt" ||
    fail "after msiexec /x: left in the install folder: $left; shortcuts: $(shortcuts); entries: $(sondrel_entries)"
cmp -s "$documents/Output.txt" "$scratch/documents-report" &&
    ok "msiexec /x: Documents\\Output.txt kept" || fail "msiexec /x changed Documents\\Output.txt"

# Per user (ALLUSERS empty): into %LOCALAPPDATA%\Programs\Sondrel, and out again.
in_wine msiexec /i "$(windows_path "$msi_file")" /qn ALLUSERS=
installed_as "$user_folder" "per user: the zip's files in %LOCALAPPDATA%\\Programs\\Sondrel"
product=$(sondrel_entries | sed -n 's/.*MsiExec.exe \/X//p')
in_wine msiexec /x "$product" /qn
[ ! -e "$user_folder" ] && [ -z "$(shortcuts)" ] && ok "per user: msiexec /x removes it all" ||
    fail "per user: after msiexec /x: $(find "$user_folder" 2>/dev/null) $(shortcuts)"
in_wine wineserver -k

# A .wxs that is not well-formed, and a missing file: wixl's message, naming the file; no .msi.
head -c 1000 packaging/windows/sondrel.wxs >"$scratch/broken.wxs"
out=$(packaging/windows/make-msi.sh "$zip_tree" "$version" "$scratch/broken.msi" "$scratch/broken.wxs" 2>&1)
[ $? -ne 0 ] && [[ "$out" == *"$scratch/broken.wxs"* ]] && [ ! -e "$scratch/broken.msi" ] &&
    ok "a broken .wxs: make-msi fails naming it, no .msi" ||
    fail "a broken .wxs: exit 0, no name or an .msi left: $out"
cp -r "$zip_tree" "$scratch/no-readme"
rm "$scratch/no-readme/README.txt"
out=$(packaging/windows/make-msi.sh "$scratch/no-readme" "$version" "$scratch/broken.msi" 2>&1)
[ $? -ne 0 ] && [[ "$out" == *"no-readme/README.txt"* ]] && [ ! -e "$scratch/broken.msi" ] &&
    ok "a missing README.txt: make-msi fails naming it, no .msi" ||
    fail "a missing README.txt: exit 0, no name or an .msi left: $out"

# --- Without Qt -----------------------------------------------------------------------------
# The core and sondrel-calc configured and built for Windows as on a machine with no Qt: dpkg
# says no package is installed (so tools/build-qt-mingw.sh cannot name a Qt), the cache is
# empty and no Qt folder is given; nor may the configure find any Qt.
no_qt=$root/$build/no-qt
rm -rf "$no_qt"
mkdir -p "$no_qt/bin" "$no_qt/cache"
for tool in dpkg dpkg-query; do
    printf '#!/bin/sh\necho "%s: no packages on this machine" >&2\nexit 1\n' $tool >"$no_qt/bin/$tool"
    chmod +x "$no_qt/bin/$tool"
done
if (unset SONDREL_MINGW_QT
    export PATH=$no_qt/bin:$PATH XDG_CACHE_HOME=$no_qt/cache
    cmake --preset windows -B "$no_qt/build" -DSONDREL_WITH_UI=OFF -DBUILD_TESTING=OFF &&
        nice -n 5 cmake --build "$no_qt/build" -j "${JOBS:-2}" --target sondrel-calc) \
    >"$no_qt/build.log" 2>&1 && ! grep -qi '^qt6' "$no_qt/build/CMakeCache.txt"; then
    got=$(WINEPREFIX=$scratch/wine in_wine "$no_qt/build/cli/sondrel-calc.exe")
    [ "$got" = "$defaults" ] && ok "without any Qt: --preset windows -DSONDREL_WITH_UI=OFF builds sondrel-calc.exe" ||
        fail "without any Qt: sondrel-calc.exe printed: $got"
else
    fail "without any Qt: the windows preset did not configure or build (log: $no_qt/build.log)"
fi
WINEPREFIX=$scratch/wine in_wine wineserver -k

[ $failures -eq 0 ] && echo "check-windows: all passed" || echo "check-windows: $failures failed" >&2
[ $failures -eq 0 ]
