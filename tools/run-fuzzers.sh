#!/usr/bin/env bash
# Runs each libFuzzer target of build/fuzz for SECONDS seconds, starting from the committed
# seed corpus, and prints one line per target: executions, coverage and the verdict.
# Usage: tools/run-fuzzers.sh SECONDS TARGET...   (exit status 1 when any target failed)
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?seconds}
shift
build=build/fuzz
status=0
summary=()
for target in "$@"; do
    program=$build/fuzz/fuzz_$target
    work=$build/corpus/$target    # what the fuzzer learns; the seeds stay untouched
    artifacts=$build/artifacts
    log=$build/fuzz_$target.log
    mkdir -p "$work" "$artifacts"
    echo "fuzz: $target for ${seconds} s"
    "$program" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$artifacts/$target-" "$work" "fuzz/corpus/$target" >"$log" 2>&1
    code=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
    if [ $code -eq 0 ]; then
        verdict="no failure"
    else
        verdict="FAILED (exit $code), input kept in $artifacts; log: $log"
        status=1
        grep -E -A3 'check failed|ERROR: |runtime error' "$log" | head -n 20 >&2
    fi
    summary+=("fuzz: $target: ${runs:-0} executions in ${seconds} s, ${cov:-cov: ?}, $verdict")
done
printf '%s\n' "${summary[@]}"
exit $status
