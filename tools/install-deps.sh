#!/usr/bin/env bash
# Installs the Debian packages a make target needs, when missing. Uses sudo when not run as
# root. Prints one line naming what it installs, or nothing when all is there.
#
#   tools/install-deps.sh [@SET...] [PACKAGE...]
#
# The sets: @build (configure and build any preset), @native (the Linux build of the core and
# sondrel-calc), @window (Qt), @tests (GoogleTest, Xvfb), @bench (Google Benchmark). With no
# set named, all of them (what `make build` and `make test` need) and the packages given.
# When another apt or dpkg holds apt's lock (a second make, the system's own updates), it
# waits for it, up to SONDREL_APT_LOCK_WAIT seconds (default 300), and says so once.
set -euo pipefail

declare -A sets=(
    [@build]="cmake make"
    [@native]="g++ pkg-config locales"
    [@window]="qt6-base-dev libgl-dev qt6-svg-dev fonts-dejavu-core"
    [@tests]="libgtest-dev libgmock-dev xvfb xauth"
    [@bench]="libbenchmark-dev"
)
packages=()
named_set=""
for word in "$@"; do
    if [ "${word:0:1}" = @ ]; then
        [ -n "${sets[$word]:-}" ] || { echo "sondrel: no package set $word" >&2; exit 2; }
        read -ra names <<<"${sets[$word]}"
        packages+=("${names[@]}")
        named_set=yes
    else
        packages+=("$word")
    fi
done
if [ -z "$named_set" ]; then
    given=("${packages[@]}")
    packages=()
    for name in @build @native @window @tests @bench; do
        read -ra names <<<"${sets[$name]}"
        packages+=("${names[@]}")
    done
    packages+=("${given[@]}")
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if ! command -v apt-get >/dev/null 2>&1; then
    echo "sondrel: please install these packages: ${missing[*]}" >&2
    exit 1
fi
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
# One line for what is installed; apt's own output goes to a log, shown only when it fails.
log_dir="$(cd "$(dirname "$0")/.." && pwd)/build"
mkdir -p "$log_dir"
log="$log_dir/install-deps.log"
attempt="$log.attempt.$$"
trap 'rm -f "$attempt"' EXIT
: >"$log"
lock_wait=${SONDREL_APT_LOCK_WAIT:-300}
deadline=$((SECONDS + lock_wait))
waiting=""

# apt ARG...: apt-get, tried again while another apt or dpkg holds its lock, until the
# deadline. (apt-get update does not wait for the lock of the package lists by itself.)
apt() {
    while true; do
        if DEBIAN_FRONTEND=noninteractive $sudo apt-get "$@" >"$attempt" 2>&1; then
            cat "$attempt" >>"$log"
            return 0
        fi
        cat "$attempt" >>"$log"
        grep -qE '^E: (Could not get lock|Unable to (acquire|lock))' "$attempt" &&
            [ $SECONDS -lt $deadline ] || return 1
        if [ -z "$waiting" ]; then
            echo "sondrel: waiting for apt's lock, held by another apt or dpkg (up to $lock_wait s)"
            waiting=yes
        fi
        sleep 1
    done
}

echo "sondrel: installing ${missing[*]} (apt's output: $log)"
if ! { apt update -qq && apt install -y -qq --no-install-recommends "${missing[@]}"; }; then
    cat "$log" >&2
    echo "sondrel: installing ${missing[*]} failed; apt's output above is kept in $log" >&2
    exit 1
fi
