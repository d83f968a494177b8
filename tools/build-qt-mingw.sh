#!/usr/bin/env bash
# Builds the static Qt that the Windows window is linked with, once per machine: Debian's own
# qt6-base source (the version of the installed host tools, qt6-base-dev-tools), cross-built
# with MinGW-w64 and installed into a cache outside the checkout:
#
#   ${XDG_CACHE_HOME:-$HOME/.cache}/sondrel/qt-<version>-mingw-static-<options hash>
#
#   tools/build-qt-mingw.sh            builds it unless cached; prints one line
#   tools/build-qt-mingw.sh --prefix   prints the folder it is (or would be) installed in
#
# The hash covers the Debian version, the configure options and the MinGW toolchain file, so a
# security update of Debian's Qt means one rebuild. The build runs in a temporary folder beside
# the cache and is moved into place only when it is complete; its output goes to a log.
# JOBS sets the parallel jobs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}

fail() {
    echo "build-qt-mingw: $*" >&2
    exit 1
}

# The host tools (moc, uic, rcc) come from qt6-base-dev-tools; the cross-built Qt must match them.
debian_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools 2>/dev/null) ||
    fail "qt6-base-dev-tools is not installed (run tools/install-deps.sh qt6-base-dev-tools)"
upstream_version=${debian_version%%+*}
upstream_version=${upstream_version%%-*}

options=(
    -static -release -optimize-size -xplatform win32-g++ -qt-host-path /usr -no-pkg-config
    -no-opengl -no-dbus
    -no-feature-vulkan -no-feature-sql -no-feature-network -no-feature-printsupport
    -no-feature-concurrent -no-feature-xml -no-feature-jpeg -no-feature-androiddeployqt
    # Qt 6.4's own link rules need direct2d itself; Debian's repack has no 3rdparty/wintab.
    -no-feature-direct2d1_1 -no-feature-tabletevent
    -qt-zlib -qt-pcre -qt-libpng -qt-freetype -qt-harfbuzz -qt-doubleconversion
    -nomake examples -nomake tests
)
hash=$({
    echo "$debian_version"
    printf '%s\n' "${options[@]}"
    cat "$toolchain"
} | sha256sum | cut -c1-12)
cache="${XDG_CACHE_HOME:-$HOME/.cache}/sondrel"
prefix="$cache/qt-$upstream_version-mingw-static-$hash"

if [ "${1:-}" = --prefix ]; then
    echo "$prefix"
    exit 0
fi
if [ -x "$prefix/bin/qt-cmake" ]; then
    echo "qt (mingw static): cached, $prefix"
    exit 0
fi

mkdir -p "$cache"
work=$(mktemp -d "$cache/.building-qt-XXXXXX")
trap 'rm -rf "$work"' EXIT
log="$cache/qt-$upstream_version-mingw-static-$hash.log"
start=$SECONDS
echo "qt (mingw static): building Qt $debian_version from Debian's source (10 to 30 minutes; log: $log)"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# apt-get source needs a deb-src entry for the running suite; it gets a file of its own.
ensure_deb_src() {
    if apt-get source --print-uris "qt6-base=$debian_version" >/dev/null 2>&1; then
        return 0
    fi
    local suite list=/etc/apt/sources.list.d/sondrel-deb-src.sources
    suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$suite" ] || fail "no deb-src entry for Qt's source, and no suite name in /etc/os-release to add one"
    echo "qt (mingw static): adding Debian's source archive for $suite in $list"
    printf '%s\n' "Types: deb-src" "URIs: http://deb.debian.org/debian" \
        "Suites: $suite $suite-updates" "Components: main" \
        "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" "" \
        "Types: deb-src" "URIs: http://deb.debian.org/debian-security" \
        "Suites: $suite-security" "Components: main" \
        "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" | $sudo tee "$list" >/dev/null
    $sudo apt-get update -qq ||
        fail "apt-get update failed after adding $list; check the network and run it again"
}

# Each step must succeed; the first failure ends the build (set -e does not hold inside the
# `if` below).
build() {
    cd "$work" || return 1
    if ! apt-get source -qq "qt6-base=$debian_version"; then
        echo "Could not fetch the source of qt6-base $debian_version. Check the network, and that" \
            "the deb-src entries serve the installed version: apt-get source --print-uris qt6-base"
        return 1
    fi
    local src
    src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "qt6-base-*" | head -n 1)
    [ -n "$src" ] || { echo "no source folder after apt-get source"; return 1; }
    mkdir -p "$work/build" && cd "$work/build" || return 1
    "$src/configure" "${options[@]}" -prefix "$work/install" -- -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake || return 1
    cmake --build . --parallel "$jobs" || return 1
    cmake --install . || return 1
    # What ships beside a program linked with this Qt: which source it is and where to get it,
    # Qt's licences with Debian's copyright file, and the bundled libraries' licences.
    {
        echo "Debian source package: qt6-base $debian_version"
        echo "Get it with:           apt-get source qt6-base=$debian_version"
        echo "or from:               https://snapshot.debian.org/package/qt6-base/$debian_version/"
        echo "Configure options:     ${options[*]}"
    } >"$work/install/SOURCE.txt" &&
        cp -r "$src/LICENSES" "$work/install/LICENSES" &&
        cp "$src/debian/copyright" "$work/install/LICENSES/debian-copyright.txt" &&
        mkdir -p "$work/install/3rdparty" &&
        (cd "$src/src/3rdparty" && find . -maxdepth 3 -type f \( -iname '*licen[cs]e*' \
            -o -iname 'copying*' -o -name qt_attribution.json -o -name FTL.TXT \) \
            -exec cp --parents -t "$work/install/3rdparty" {} +)
}

ensure_deb_src
if ! (build) >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    fail "building Qt failed after $((SECONDS - start)) s; nothing was cached. Full log: $log"
fi
rm -rf "$prefix"
mv "$work/install" "$prefix"
echo "qt (mingw static): built in $((SECONDS - start)) s, $prefix (log: $log)"
