#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the window need, when missing.
# Extra package names may be given as arguments. Uses sudo when not run as root. Prints one
# line naming what it installs, or nothing when all is there.
set -euo pipefail

packages=(
    cmake make g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libgl-dev fonts-dejavu-core
    xvfb xauth
    locales qt6-svg-dev
    "$@"
)

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
echo "sondrel: installing ${missing[*]} (apt's output: $log)"
if ! { $sudo apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "sondrel: installing ${missing[*]} failed; apt's output above is kept in $log" >&2
    exit 1
fi
