#!/usr/bin/env bash
# Runs sondrel-calc and the core's test programs of BUILD (the dev build: -O2 -g) under
# valgrind memcheck: any memory error or leak fails the run.
# Usage: tools/valgrind-check.sh BUILD
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?build folder}
memcheck=(valgrind --tool=memcheck --error-exitcode=99 --leak-check=full
          --errors-for-leak-kinds=definite,indirect,possible --track-origins=yes --quiet)
failed=0
passed=0
# check NAME EXPECTED_STATUS COMMAND...: the command must end with that status and memcheck
# must find nothing (its own status, 99, marks an error or a leak).
check() {
    local name=$1 expected=$2
    shift 2
    local log=$build/valgrind-$name.log code=0
    "${memcheck[@]}" "$@" >/dev/null 2>"$log" || code=$?
    if [ $code -eq "$expected" ]; then
        passed=$((passed + 1))
    else
        echo "valgrind: $name FAILED (exit $code, expected $expected)" >&2
        tail -n 60 "$log" >&2
        failed=$((failed + 1))
    fi
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
calc=$build/cli/sondrel-calc
check calc-defaults 0 "$calc"
check calc-json 0 "$calc" --json 5000 28 31 1.25 8.25
check calc-csv 0 "$calc" --csv -1000 28 31 8.25 1.25
check calc-sweep 0 "$calc" --sweep-elevation 0:150000:5000
check calc-report 0 "$calc" --report "$tmp/Output.txt" --header $'Site A\n' 1000 28 31 1.25 8.25
check calc-report-again 0 "$calc" --report "$tmp/Output.txt" 2000 28 31 1.25 8.25
check calc-equal-pressures 1 "$calc" 0 28 28 1.25 8.25
check calc-not-a-number 1 "$calc" --json 0 abc 31 1.25 $'\x01\xff'
check calc-unwritable-report 1 "$calc" --report "$tmp/missing/Output.txt"
check calc-bad-arguments 2 "$calc" 1 2
check calc-help 0 "$calc" --help
export LC_ALL=C.UTF-8
for tests in calc/calc_tests files/files_tests cli/cli_tests fuzz/fuzz_corpus_tests; do
    echo "valgrind: $tests"
    check "$(basename "$tests")" 0 "$build/tests/$tests"
done
echo "valgrind: $passed passed, $failed failed"
[ $failed -eq 0 ]
