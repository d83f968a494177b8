#!/usr/bin/env bash
# Configures and builds one preset, printing one summary line: CMake's and the compiler's
# output go to build/<preset>/build.log, which is printed in full, with its path, when the
# build fails or has warnings.
#
#   tools/build.sh PRESET [-DVAR=VALUE...] [BUILD_OPTION...]
#
# -D settings go to the configure step, everything else to `cmake --build` (say, --target
# sondrel). JOBS sets the parallel jobs (default: the number of cores). The exit status is
# the build's.
set -uo pipefail
cd "$(dirname "$0")/.."

preset=${1:?usage: tools/build.sh PRESET [-DVAR=VALUE...] [BUILD_OPTION...]}
shift
configure_args=()
build_args=()
for arg in "$@"; do
    case "$arg" in
        -D*) configure_args+=("$arg") ;;
        *) build_args+=("$arg") ;;
    esac
done
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
# Run from make, the build's own make would inherit its flags and print every directory.
unset MAKEFLAGS MFLAGS MAKELEVEL

dir=build/$preset
mkdir -p "$dir"
log=$dir/build.log
start=$(date +%s)
{
    cmake --preset "$preset" "${configure_args[@]}" &&
        cmake --build --preset "$preset" -j "$jobs" "${build_args[@]}"
} >"$log" 2>&1
status=$?
seconds=$(($(date +%s) - start))

# Unix Makefiles and Ninja name each object they compile and each program they link.
compiled=$(grep -cE '(Building|Build) CXX object' "$log")
linked=$(grep -cE 'Linking CXX (executable|static library|shared library)' "$log")
warnings=$(grep -cE '(^|: )warning[:[]|^CMake Warning' "$log")

# "1 file", "2 files".
count() { [ "$1" -eq 1 ] && echo "1 $2" || echo "$1 ${2}s"; }

if [ "$status" -ne 0 ]; then
    cat "$log" >&2
    echo "build ($preset) FAILED after ${seconds} s; the output above is kept in $log" >&2
    exit "$status"
fi
done="compiled $(count "$compiled" file), linked $(count "$linked" target)"
if [ "$warnings" -ne 0 ]; then
    cat "$log"
    echo "build ($preset): $(count "$warnings" warning) (output above, kept in $log); $done," \
        "${seconds} s"
elif [ "$compiled" -eq 0 ] && [ "$linked" -eq 0 ]; then
    echo "build ($preset): up to date"
else
    echo "build ($preset): $done, no warnings, ${seconds} s (log: $log)"
fi
