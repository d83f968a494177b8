#!/usr/bin/env bash
# Checks that Sondrel installs properly: the desktop entry and AppStream data validate, the
# Debian package builds and lintian finds no error in it, and unpacked into a scratch root it
# holds exactly the expected files, its programs find their libraries and sondrel-calc prints
# the default results; the committed Windows and macOS icons hold the PNG icons.
#
#   packaging/check.sh [BUILD_DIR]
#
# With no BUILD_DIR, `make package` builds build/dev; otherwise BUILD_DIR (configured already)
# is built and packaged.
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
    -*) echo "usage: $0 [BUILD_DIR]" >&2; exit 2 ;;
esac
build="${1:-}"

tools/install-deps.sh dpkg-dev desktop-file-utils appstream lintian icoutils icnsutils imagemagick
if [ -z "$build" ]; then
    build=build/dev
    make package
else
    cmake --build "$build" --target package
fi

failures=0
ok() { echo "ok: $*"; }
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

app_id=io.github.sondrel.Sondrel
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
[ -n "$version" ] || { echo "FAIL: no project version in $build/CMakeCache.txt" >&2; exit 1; }
# The package's version is the project's with the Debian revision after a "-".
debs=("$build"/sondrel_"$version"-*_"$arch".deb)
deb=${debs[0]}
[ ${#debs[@]} -eq 1 ] && [ -f "$deb" ] ||
    { echo "FAIL: not one sondrel_${version}-*_$arch.deb in $build: ${debs[*]}" >&2; exit 1; }
deb_version=${deb#"$build"/sondrel_}
deb_version=${deb_version%_"$arch".deb}
ok "built $(basename "$deb")"

# --- metadata files, as written ---------------------------------------------------------------
metainfo="$build/packaging/$app_id.metainfo.xml"
if desktop-file-validate packaging/sondrel.desktop; then
    ok "desktop-file-validate sondrel.desktop"
else
    fail "desktop-file-validate sondrel.desktop"
fi
if appstreamcli validate --strict --no-net "$metainfo"; then
    ok "appstreamcli validate $app_id.metainfo.xml"
else
    fail "appstreamcli validate $app_id.metainfo.xml"
fi
# The metainfo links to this file in the published sources.
[ -f docs/screenshot.png ] && ok "docs/screenshot.png is there" || fail "docs/screenshot.png is missing"

# --- package fields ---------------------------------------------------------------------------
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = sondrel ] && ok "Package: sondrel" || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$deb_version" ] && [[ "$deb_version" =~ ^"$version"-[0-9]+$ ]] &&
    ok "Version: $deb_version" || fail "Version is '$(field Version)', the project $version"
maintainer=$(field Maintainer)
[[ "$maintainer" =~ ^[^\<]+\ \<[^@\>]+@[^@\>]+\>$ ]] && ok "Maintainer: $maintainer" ||
    fail "Maintainer is '$maintainer', not a name and an address"
[ "$(field Architecture)" = "$arch" ] && ok "Architecture: $arch" ||
    fail "Architecture is '$(field Architecture)'"
depends=$(field Depends)
# Package names only: drop version constraints and alternatives after the first.
depends_names=$(tr "," "\n" <<<"$depends" | sed "s/^ *//; s/[ (|].*//")
needed=(libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6)
for package in "${needed[@]}"; do
    if grep -qxF -- "$package" <<<"$depends_names"; then
        ok "depends on $package"
    else
        fail "Depends does not name $package: $depends"
    fi
done

# --- the unpacked tree ------------------------------------------------------------------------
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb --extract "$deb" "$root"

expected=(
    usr/bin/sondrel-calc
    usr/share/doc/sondrel/README
    usr/share/doc/sondrel/LICENSE
    usr/share/doc/sondrel/copyright
    usr/share/doc/sondrel/changelog.Debian.gz
    usr/share/man/man1/sondrel-calc.1.gz
    usr/share/man/man1/sondrel.1.gz
    usr/bin/sondrel
    usr/share/applications/sondrel.desktop
    "usr/share/metainfo/$app_id.metainfo.xml"
    usr/share/icons/hicolor/scalable/apps/sondrel.svg
)
icon_sizes=(16 32 48 256)
for size in "${icon_sizes[@]}"; do
    expected+=("usr/share/icons/hicolor/${size}x$size/apps/sondrel.png")
done

actual=$(cd "$root" && find . -type f -printf '%P\n' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
missing=$(comm -13 <(echo "$actual") <(echo "$wanted"))
extra=$(comm -23 <(echo "$actual") <(echo "$wanted"))
if [ -z "$missing" ] && [ -z "$extra" ]; then
    ok "the package holds the ${#expected[@]} expected files"
else
    [ -z "$missing" ] || fail "missing from the package: $(echo $missing)"
    [ -z "$extra" ] || fail "not expected in the package: $(echo $extra)"
fi

# Installed copies of the metadata are the files validated above.
cmp -s packaging/sondrel.desktop "$root/usr/share/applications/sondrel.desktop" &&
    ok "installed desktop entry matches" || fail "installed desktop entry differs"
cmp -s "$metainfo" "$root/usr/share/metainfo/$app_id.metainfo.xml" &&
    ok "installed metainfo matches" || fail "installed metainfo differs"
if appstreamcli validate-tree --strict --no-net "$root"; then
    ok "appstreamcli validate-tree of the unpacked package"
else
    fail "appstreamcli validate-tree of the unpacked package"
fi

# A hicolor NxN icon must really be N by N (PNG width and height are bytes 16 to 23).
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $1*2^24+$2*2^16+$3*2^8+$4 "x" $5*2^24+$6*2^16+$7*2^8+$8 }'; }
for size in "${icon_sizes[@]}"; do
    icon="$root/usr/share/icons/hicolor/${size}x$size/apps/sondrel.png"
    [ -f "$icon" ] || continue
    actual_size=$(png_size "$icon")
    [ "$actual_size" = "${size}x$size" ] && ok "icon ${size}x$size" ||
        fail "icon in ${size}x$size is $actual_size"
done

for program in sondrel sondrel-calc; do
    manpage="$root/usr/share/man/man1/$program.1.gz"
    [ -f "$manpage" ] || continue
    if gzip -t "$manpage" && zcat "$manpage" | grep -q "^\.TH ${program^^} 1 "; then
        ok "manual page $program(1)"
    else
        fail "$program.1.gz is not a compressed manual page of $program"
    fi
done

# The README is the users' one: what Sondrel is, how to start it and where its manual pages
# are, with nothing of the developers' (make targets, Wine, pictures the package lacks).
readme="$root/usr/share/doc/sondrel/README"
readme_problems=()
for wanted in "sondrel-calc" "man sondrel" "man sondrel-calc" "Version $version."; do
    grep -qF -- "$wanted" "$readme" 2>/dev/null || readme_problems+=("no '$wanted'")
done
for unwanted in "make " "Wine" "](" "cmake" "build/"; do
    ! grep -qF -- "$unwanted" "$readme" 2>/dev/null || readme_problems+=("'$unwanted'")
done
if [ -f "$readme" ] && [ ${#readme_problems[@]} -eq 0 ]; then
    ok "README is the users' one"
else
    fail "README is not the users' one: ${readme_problems[*]:-missing}"
fi

# Debian's papers: the machine-readable copyright file, with the licence's text, and the
# changelog, whose latest entry is this version.
copyright="$root/usr/share/doc/sondrel/copyright"
if [ -f "$copyright" ] &&
    head -1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' &&
    grep -qx 'Files: \*' "$copyright" && grep -qx 'License: MIT' "$copyright" &&
    grep -qx ' SOFTWARE.' "$copyright"; then
    ok "copyright in Debian's machine-readable format, with the MIT licence"
else
    fail "copyright is not the machine-readable MIT one"
fi
changelog="$root/usr/share/doc/sondrel/changelog.Debian.gz"
if [ -f "$changelog" ] && zcat "$changelog" | head -1 | grep -q "^sondrel ($deb_version) "; then
    ok "changelog.Debian.gz starts at $deb_version"
else
    fail "changelog.Debian.gz does not start at $deb_version"
fi

# The committed Windows and macOS icons hold the PNGs, pixel for pixel.
if tools/make-icons.sh --check; then
    ok "sondrel.ico and sondrel.icns match the PNG icons"
else
    fail "sondrel.ico or sondrel.icns differs from the PNG icons"
fi

# --- the installed programs ---------------------------------------------------------------
for exe in "$root"/usr/bin/*; do
    unresolved=$(ldd "$exe" | grep 'not found' || true)
    [ -z "$unresolved" ] && ok "$(basename "$exe") finds its libraries" ||
        fail "$(basename "$exe") is missing libraries: $unresolved"
done

# The menu entry's command, found on PATH in the unpacked tree, opens the window on an X server
# and is still running a few seconds later (timeout ends it with 124).
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/sondrel.desktop" 2>/dev/null || true)
status=0
PATH="$root/usr/bin:$PATH" xvfb-run -a timeout 3 $exec_line >"$root/window.log" 2>&1 || status=$?
if [ -n "$exec_line" ] && [ "$status" -eq 124 ]; then
    ok "the menu entry's '$exec_line' keeps the window open"
else
    fail "the menu entry's '$exec_line' ended with status $status: $(tail -3 "$root/window.log")"
fi

calc="$root/usr/bin/sondrel-calc"
expected_results=$'VR2 = 1813. Ohms\nVR1 wiper to GND side = 1851. Ohms\nLoVin = 3.792 Volts\nHiVin = 4.249 Volts'
if results=$(LC_ALL=C.UTF-8 "$calc") && [ "$results" = "$expected_results" ]; then
    ok "sondrel-calc prints the default results"
else
    fail "sondrel-calc printed: ${results:-nothing}"
fi
if [ "$("$calc" --version)" = "sondrel-calc $version" ]; then
    ok "sondrel-calc --version says $version"
else
    fail "sondrel-calc --version says '$("$calc" --version)', the package is $version"
fi

# --- apt can install it (simulated: nothing is installed) ------------------------------------
if apt-get install --simulate --no-install-recommends "$(realpath "$deb")" >"$root/apt.log" 2>&1 &&
    grep -q '^Inst sondrel ' "$root/apt.log"; then
    ok "apt-get would install it with its dependencies"
else
    fail "apt-get cannot install it: $(tail -5 "$root/apt.log")"
fi

# --- lintian: every tag it prints is shown; an error fails the check ---------------------------
if command -v lintian >/dev/null 2>&1; then
    lintian_status=0
    lintian --display-info --fail-on error "$deb" >"$root/lintian.log" 2>&1 ||
        lintian_status=$?
    sed 's/^/lintian: /' "$root/lintian.log"
    tags=$(grep -cE '^[EWIPX]: ' "$root/lintian.log" || true)
    if [ "$lintian_status" -eq 0 ]; then
        ok "lintian finds no error ($tags tags, listed above)"
    else
        fail "lintian found errors (status $lintian_status)"
    fi
else
    echo "lintian is not installed: package not linted"
fi

if [ "$failures" -ne 0 ]; then
    echo "packaging check: $failures failed" >&2
    exit 1
fi
echo "packaging check: all passed"
