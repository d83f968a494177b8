#!/usr/bin/env bash
# sondrel-calc.exe and the window, sondrel.exe, under Wine, one table row per case: what it
# prints (byte for byte), its exit status, and what a report leaves behind. The window's rows
# type into the real window on Xvfb with openbox (xdotool), and their reports are compared with
# the Linux build's sondrel-calc given the same inputs.
# Usage: smoke.sh BUILD_DIR [LINUX_BUILD_DIR] (e.g. build/windows build/dev).
# Prints one line per row; the program's full output for a row that fails. The window after
# Calculate on the defaults is kept as BUILD_DIR/smoke/screenshot-windows.png.
set -uo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:?usage: smoke.sh BUILD_DIR [LINUX_BUILD_DIR]}" && pwd)"
linux_calc="$(cd "${2:-$root/build/dev}" && pwd)/cli/sondrel-calc"
exe="$build/cli/sondrel-calc.exe"
window_exe="$build/app/sondrel.exe"
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
    local expected_report="$header_crlf$report_body" got
    if [ "${1:-}" = window ]; then
        shift
        # The window writes Output.txt into the folder it starts in.
        local check_file="${check#*=}"
        window_session "$dir/$(dirname "$check_file")" "$@" >"$scratch/$name.out" 2>"$scratch/$name.err"
        got=$?
        if [ -n "$window_failed" ]; then
            why="$window_failed"
        fi
    else
        (cd "$dir" && "$wine" "$exe" "$@" >"$scratch/$name.out" 2>"$scratch/$name.err")
        got=$?
    fi
    local out err
    out="$(cat "$scratch/$name.out"; printf x)"
    out="${out%x}"
    err="$(cat "$scratch/$name.err"; printf x)"
    err="${err%x}"
    [ "$got" = "$code" ] || why="${why:+$why; }exit status $got, expected $code"

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
            elif [ "$(cat "$file"; printf x)" != "${expected_report}x" ]; then
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
            [ -n "$err" ] || why="${why:+$why; }no message"  # the window's: its message box
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

# The window rows: sondrel.exe on an Xvfb display of its own with openbox, started on the first
# such row. window_session FOLDER STEP... starts the window in FOLDER, takes the steps, closes it
# and returns its exit status; it writes to stderr the message boxes it answered, sets window_failed
# to what went wrong, and expected_report to the Linux build's report of the typed inputs.
#   box:N=TEXT   types TEXT into input box N (1 elevation ... 5 HiVolts), replacing its text
#   calculate    presses Calculate;  report   Generate_Report (from the menu bar, by keyboard)
#   header=TEXT  types TEXT and a line break into the Report_Header dialog, then presses Done
#   message      a message box must come up; it is answered with OK
#   screenshot   keeps the window's picture as screenshot-windows.png beside the rows
display=""
start_display() {
    [ -n "$display" ] && return 0
    local fifo="$scratch/display"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb_pid=$!
    display=":$(head -n 1 "$fifo")"
    rm -f "$fifo"
    DISPLAY=$display openbox >/dev/null 2>&1 &
    openbox_pid=$!
    trap 'kill $openbox_pid $xvfb_pid 2>/dev/null' EXIT
    sleep 1
}
# Visible windows named NAME, the newest last.
windows_named() { DISPLAY=$display xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
wait_for_windows() {  # NAME COUNT: until COUNT such windows show, while the window runs (30 s)
    local deadline=$((SECONDS + 30))
    while [ $SECONDS -lt $deadline ] && kill -0 "$pid" 2>/dev/null; do
        [ "$(windows_named "$1" | wc -l)" -eq "$2" ] && return 0
        sleep 0.2
    done
    return 1
}
key() { DISPLAY=$display xdotool key --delay 80 "$@"; }
window_session() {
    local folder="$1" step focus=0 target presses main pid
    shift
    window_failed=""
    start_display
    local inputs=(0 28 31 1.25 8.25) header=""
    (cd "$folder" && export DISPLAY=$display WINEPREFIX="${WINEPREFIX:-$build/wine}" \
        WINEDEBUG=-all && exec "$(command -v wine64 || echo /usr/lib/wine/wine64)" "$window_exe") &
    pid=$!
    if ! wait_for_windows Sondrel 1; then
        window_failed="the window did not show"
        kill "$pid" 2>/dev/null
        return 1
    fi
    main=$(windows_named Sondrel)
    DISPLAY=$display xdotool windowactivate --sync "$main"
    # Keys go to the window once it has the focus; wait for that, then a little more for Qt.
    local deadline=$((SECONDS + 10))
    while [ $SECONDS -lt $deadline ] && [ "$(DISPLAY=$display xdotool getactivewindow 2>/dev/null)" != "$main" ]; do
        sleep 0.2
    done
    sleep 1.5
    # The focus goes round seven stops: results, Calculate, the five boxes (the hidden
    # Initialize takes none).
    tab_to() {
        local keys=()
        for ((presses = ($1 - focus + 7) % 7; presses > 0; presses--)); do keys+=(Tab); done
        focus=$1
        [ ${#keys[@]} -eq 0 ] || key "${keys[@]}"
    }
    # Alt puts the keys on the menu bar, at its first command; Right moves along.
    menu() {
        local keys=(alt)
        for ((presses = 0; presses < $1; presses++)); do keys+=(Right); done
        key "${keys[@]}" Return
    }
    for step in "$@"; do
        case "$step" in
            box:*)
                target=${step#box:}
                inputs[${target%%=*} - 1]=${target#*=}
                tab_to $((${target%%=*} + 1))
                key ctrl+a
                DISPLAY=$display xdotool type --delay 100 "${target#*=}"
                ;;
            calculate) tab_to 1; key space ;;
            report) menu 1 ;;
            header=*)
                header="${step#header=}"$'\n'
                menu 0
                wait_for_windows "Report Header" 1 || { window_failed="no header dialog"; break; }
                DISPLAY=$display xdotool windowactivate --sync "$(windows_named "Report Header")"
                key ctrl+a
                DISPLAY=$display xdotool type --delay 100 "${step#header=}"
                key Return Tab space
                wait_for_windows "Report Header" 0 || { window_failed="the header dialog stayed"; break; }
                DISPLAY=$display xdotool windowactivate --sync "$main"
                ;;
            message)
                if ! wait_for_windows Sondrel 2; then
                    window_failed="no message box"
                    break
                fi
                echo "sondrel.exe: a message box" >&2
                key Return
                wait_for_windows Sondrel 1 || { window_failed="the message box stayed"; break; }
                DISPLAY=$display xdotool windowactivate --sync "$main"
                ;;
            screenshot)
                sleep 0.5
                DISPLAY=$display import -window "$main" "$scratch/screenshot-windows.png" ;;
        esac
        sleep 0.3
    done
    DISPLAY=$display xdotool windowactivate --sync "$main" key --delay 40 alt+F4
    local deadline=$((SECONDS + 30))
    while [ $SECONDS -lt $deadline ] && kill -0 "$pid" 2>/dev/null; do
        sleep 0.2
    done
    if kill -0 "$pid" 2>/dev/null; then
        window_failed="${window_failed:+$window_failed; }the window did not close"
        kill "$pid"
    fi
    wait "$pid"
    local status=$?
    expected_report=$("$linux_calc" --report - ${header:+--header "$header"} "${inputs[@]}"; printf x)
    expected_report=${expected_report%x}
    return $status
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
# The window: typed design, header and report; a box that is not a number, then the window going
# on; a report that cannot replace a read-only file; a report into a folder with a non-ASCII name.
row window-typed-design      -                           0     report=Output.txt           window box:1=1500 box:2=27.5 box:3=30.5 box:4=1.5 box:5=7.5 calculate "header=Site 7" report
row window-goes-on          -                            0     report=Output.txt           window box:4=abc calculate message box:4=2 calculate report
row window-read-only-file   "earlier:Output.txt;readonly:Output.txt" 0 kept=Output.txt     window calculate report message
row window-non-ascii-folder "mkdir:Sité Å"               0     "report=Sité Å/Output.txt"  window calculate screenshot "header=Site 7" report

echo "smoke: $((rows - failed)) of $rows rows passed"
[ "$failed" -eq 0 ]
