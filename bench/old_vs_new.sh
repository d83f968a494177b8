#!/usr/bin/env bash
# sondrel-calc beside an older build of itself, measured side by side: a 1,000,000-row batch,
# two 1,000,000-row sweeps and a 10,000-row sweep with its chart, each pinned to one core
# (taskset -c 0) and free, its output to /dev/null and to a file. On a shared machine the
# rounds interleave the two programs, and the ratio new/old is the figure to read.
#   bench/old_vs_new.sh OLD_BINARY [NEW_BINARY] [ROUNDS] [RUNS_PER_ROUND]
# e.g. bench/old_vs_new.sh /work/old/build/dev/cli/sondrel-calc build/dev/cli/sondrel-calc 4 3
set -euo pipefail
old=$1
new=${2:-build/dev/cli/sondrel-calc}
rounds=${3:-4}
runs=${4:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The batch: a site's name, a quoted note and the five inputs out of order, 0 to 14,999 ft,
# as bench/batch_bench.cpp's file (with LF line ends); every row succeeds.
awk 'BEGIN {
  print "site,hi_volts,elevation_ft,note,lo_baro_inhg,hi_baro_inhg,lo_volts"
  for (i = 0; i < 1000000; i++)
    printf "Site %d,8.25,%d,\"mast, north side\",28,31,1.25\n", i, i % 15000
}' >"$work/m1.csv"

# name|arguments: every row of 0:99999.9:0.1 is solved; 85% of 0:999999:1's fail early.
cases=(
  "batch|--batch $work/m1.csv"
  "sweep|--sweep-elevation 0:99999.9:0.1"
  "failing-sweep|--sweep-elevation 0:999999:1"
  "plot|--sweep-elevation 0:9999:1 --plot $work/chart.svg"
)
for entry in "${cases[@]}"; do
  name=${entry%%|*}
  args=${entry#*|}
  for sink in null file; do
    output=null
    [ "$sink" = file ] && output=$work/out.txt
    for round in $(seq "$rounds"); do
      hyperfine -N --style none --warmup 1 --runs "$runs" --output "$output" -i \
        --export-json "$work/$name-$sink-$round.json" \
        -n old-pinned "taskset -c 0 $old $args" -n new-pinned "taskset -c 0 $new $args" \
        -n old-free "$old $args" -n new-free "$new $args" >/dev/null
    done
  done
done

# Wall-clock medians over every run of every round, and new/old for each; then the same of
# the CPU time (user + system, hyperfine's mean of each round), which other work on a shared
# machine disturbs less.
python3 - "$work" <<'EOF'
import glob, json, statistics, sys
wall, cpu = {}, {}
for path in sorted(glob.glob(sys.argv[1] + "/*.json")):
    case = path.rsplit("/", 1)[1].rsplit("-", 1)[0]
    for result in json.load(open(path))["results"]:
        key = (case, result["command"])
        wall.setdefault(key, []).extend(result["times"])
        cpu.setdefault(key, []).append(result["user"] + result["system"])
for title, times in (("wall clock", wall), ("CPU time", cpu)):
    print(f"\n{title}\n")
    print("| case | output | old pinned | new pinned | new/old | old free | new free | new/old |")
    print("|---|---|---:|---:|---:|---:|---:|---:|")
    for case in dict.fromkeys(c for c, _ in times):
        m = {k: statistics.median(times[(case, k)]) for k in
             ("old-pinned", "new-pinned", "old-free", "new-free")}
        name, sink = case.rsplit("-", 1)
        print(f"| {name} | {sink} | {m['old-pinned']:.3f} s | {m['new-pinned']:.3f} s | "
              f"{m['new-pinned'] / m['old-pinned']:.2f} | {m['old-free']:.3f} s | "
              f"{m['new-free']:.3f} s | {m['new-free'] / m['old-free']:.2f} |")
EOF
