#!/usr/bin/env bash
# sondrel-calc.exe under Wine, one table row per case: what it prints (byte for byte), its exit
# status, and what a report leaves behind. Usage: smoke.sh BUILD_DIR (e.g. build/windows).
# Prints one line per row; the program's full output for a row that fails.
set -uo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:?usage: smoke.sh BUILD_DIR}" && pwd)"
exe="$build/cli/sondrel-calc.exe"
wine="$root/tools/wine-run.sh"
scratch="$build/smoke"
rm -rf "$scratch"
mkdir -p "$scratch"

crlf() { printf '%s\r\n' "$@"; }
defaults_lines=$'VR2 = 1813. Ohms\nVR1 wiper to GND side = 1851. Ohms\nLoVin = 3.792 Volts\nHiVin = 4.249 Volts\n'
report_body="$(crlf 'Elev = 0 ft       Elev = . m' 'LoBaro = 28 inHg     LoBaro = 948.2 mb' \
    'HiBaro = 31 inHg     HiBaro = 1049.8 mb' 'LoVolts = 1.25' 'HiVolts = 8.25' '' \
    'VR2 = 1813. Ohms' 'VR1 wiper to GND side = 1851. Ohms' 'LoVin = 3.792 Volts' \
    'HiVin = 4.249 Volts'; printf x)"
report_body="${report_body%x}"
header=$'Höhe Ω Site\n'
header_crlf=$'Höhe Ω Site\r\n'
earlier=$'an earlier report\r\n'

# PREPARE: "-", or steps separated by ";", run in the row's folder: mkdir:NAME, earlier:FILE (writes $earlier),
# readonly:FILE (Windows' read-only attribute, set through Wine's attrib).
# CHECK:
#   stdout=TEXT          stdout is exactly TEXT, stderr empty
#   report=FILE          FILE holds the report with $header, exactly; nothing else beside it
#   kept=FILE            FILE holds $earlier still (or is still missing); nothing else beside it
#   stderr=TEXT          stdout empty, stderr holds TEXT
# ARGS: the rest, one argument each.
rows=0
failed=0
row() {
    local name="$1" prepare="$2" code="$3" check="$4"
    shift 4
    local dir="$scratch/$name" why=""
    mkdir -p "$dir"
    local step steps
    IFS=';' read -ra steps <<<"$prepare"
    for step in "${steps[@]}"; do
        case "$step" in
            -) ;;
            mkdir:*) mkdir -p "$dir/${step#mkdir:}" ;;
            earlier:*) printf '%s' "$earlier" >"$dir/${step#earlier:}" ;;
            readonly:*) (cd "$dir" && "$wine" cmd /c attrib +r "${step#readonly:}" >/dev/null 2>&1) ;;
        esac
    done
    (cd "$dir" && "$wine" "$exe" "$@" >"$scratch/$name.out" 2>"$scratch/$name.err")
    local got=$?
    local out err
    out="$(cat "$scratch/$name.out"; printf x)"
    out="${out%x}"
    err="$(cat "$scratch/$name.err"; printf x)"
    err="${err%x}"
    [ "$got" = "$code" ] || why="exit status $got, expected $code"

    # Everything in FILE's folder but FILE (a temporary file left behind, say).
    others() { (cd "$dir/$(dirname "$1")" && ls -A | grep -vxF "$(basename "$1")"); }
    case "$check" in
        stdout=*)
            [ "$out" = "${check#stdout=}" ] || why="${why:+$why; }stdout differs"
            [ -z "$err" ] || why="${why:+$why; }stderr not empty"
            ;;
        report=*)
            local file="$dir/${check#report=}"
            if [ ! -f "$file" ]; then
                why="${why:+$why; }no ${check#report=}"
            elif [ "$(cat "$file"; printf x)" != "$header_crlf${report_body}x" ]; then
                why="${why:+$why; }${check#report=} is not the report"
            fi
            [ -z "$(others "${check#report=}")" ] || why="${why:+$why; }left beside it: $(others "${check#report=}")"
            ;;
        kept=*)
            local file="$dir/${check#kept=}"
            if [ -e "$file" ] && [ "$(cat "$file"; printf x)" != "${earlier}x" ]; then
                why="${why:+$why; }${check#kept=} changed"
            fi
            if [ -d "$(dirname "$file")" ]; then
                [ -z "$(others "${check#kept=}")" ] || why="${why:+$why; }left beside it: $(others "${check#kept=}")"
            fi
            [ -n "$err" ] || why="${why:+$why; }no message"
            ;;
        stderr=*)
            [ -z "$out" ] || why="${why:+$why; }stdout not empty"
            [[ "$err" == *"${check#stderr=}"* ]] || why="${why:+$why; }stderr lacks \"${check#stderr=}\""
            ;;
    esac
    rows=$((rows + 1))
    if [ -z "$why" ]; then
        echo "  ok    $name"
    else
        failed=$((failed + 1))
        echo "  FAIL  $name: $why"
        echo "    arguments:$(printf ' [%s]' "$@")"
        echo "    stdout:"; sed 's/^/      /' "$scratch/$name.out" | cat -A | head -20
        echo "    stderr:"; sed 's/^/      /' "$scratch/$name.err" | head -20
    fi
}

#   name                    prepare                      code  check                       arguments
row defaults                -                            0     "stdout=$defaults_lines"
row report-to-stdout        -                            0     "stdout=$header_crlf$report_body" --report - --header "$header"
row report-new              -                            0     report=Output.txt           --report Output.txt --header "$header"
row report-replaces         earlier:Output.txt           0     report=Output.txt           --report Output.txt --header "$header"
row non-ascii-folder        "mkdir:Sité Å"               0     "report=Sité Å/Output.txt"  --report "Sité Å/Output.txt" --header "$header"
row non-ascii-replaces      "mkdir:Sité Å;earlier:Sité Å/Output.txt" 0 "report=Sité Å/Output.txt" --report "Sité Å/Output.txt" --header "$header"
row read-only-file          "earlier:Output.txt;readonly:Output.txt" 1 kept=Output.txt    --report Output.txt --header "$header"
row missing-folder          -                            1     kept=nowhere/Output.txt     --report nowhere/Output.txt
row missing-non-ascii-name  -                            1     "stderr=Nié"                --report Nié/Output.txt
row box-named               -                            1     'stderr=LoVolt: "abc" is not a number' 0 28 31 abc 8.25
row box-value-utf8          -                            1     'stderr=LoVolt: "2µ" is not a number' 0 28 31 2µ 8.25
row equal-pressures         -                            1     "stderr=division by zero"   0 28 28 1.25 8.25
row usage                   -                            2     "stderr=Try 'sondrel-calc --help'." 0 28

echo "smoke: $((rows - failed)) of $rows rows passed"
[ "$failed" -eq 0 ]
