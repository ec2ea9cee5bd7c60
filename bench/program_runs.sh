#!/usr/bin/env bash
# Whole-program timings: the built planner on a few runs, records to a real
# file in a scratch directory, then the same bytes written by dd in 1 MiB
# blocks, the pace of the disk itself. Usage: bench/program_runs.sh build/growth-planner
set -euo pipefail
program=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

seconds_since() { awk "BEGIN { print $EPOCHREALTIME - $1 }"; }

run() {
  rm -f OUTPUT.txt
  local start=$EPOCHREALTIME
  "$program" "$@"
  local elapsed
  elapsed=$(seconds_since "$start")
  local records=0
  [ -f OUTPUT.txt ] && records=$(($(wc -l <OUTPUT.txt) / 2))
  printf '%-34s %10.3f s %12d records %12.0f records/s\n' "$*" "$elapsed" "$records" \
    "$(awk "BEGIN { print $records / $elapsed }")"
}

# The bytes of the last run, copied by dd into a new file.
bare() {
  rm -f copy.txt
  local start=$EPOCHREALTIME
  dd if=OUTPUT.txt of=copy.txt bs=1M status=none
  printf '%-34s %10.3f s\n' "dd bs=1M of the same bytes" "$(seconds_since "$start")"
}

run -c 0 -l 6 -s 99 -h 99
run -c 8 -l 8
run -c 9 -l 10
run -c 0 -l 4 -s 8 -h 5
run -c 9 -l 5 -s 8 -f 5
run -c 8 -l 9
run -c 8 -l 9 --buffered
bare

# Tight targets: just within reach, or just beyond it.
run -c 0 -l 9 -s 28
run -c 8 -l 9 -h 28
run -c 8 -l 9 -h 29
run -c 17 -l 9 -a 25 -h 4
run -c 22 -l 8 -h 23 -s 7 -i 2
run -c 15 -l 40 -r 100 -i 34 -x 32 --limit 1

# Questions answered without enumerating the run.
run --skip 50000000000000 --limit 3
run -c 8 -l 19 -s 12 --max HP
run -l 19 --min WT
run -c 0 -l 25 -s 20 -h 12 --max Point

# The game's real caps: the first 100 records with three to five targets,
# best plans, and how high each target could go.
run -c 8 -l 30 -h 20 -x 15 -s 51 --limit 100
run -c 8 -l 40 -s 12 -x 20 -h 87 --limit 100
run -c 15 -l 60 -i 40 -m 30 -x 121 --limit 100
run -c 8 -l 99 -s 60 -h 50 -x 40 --limit 100
run -c 0 -l 99 -s 60 -h 40 -f 30 -x 30 --limit 100
run -c 15 -l 99 -i 80 -m 60 -x 50 -a 30 --limit 100
run -c 8 -l 19 -s 8 -h 12 -i 6 -f 6 -x 8 --limit 1
run -c 8 -l 30 -s 40 -h 20 -x 15 --max HP
run -c 8 -l 30 -s 12 -h 20 -x 15 --min WT
run -c 8 -l 40 -s 12 -x 20 -h 5 --max H
run -c 8 -l 40 -s 12 -x 20 --reach >/dev/null
run -c 8 -l 60 -s 30 -x 30 --reach >/dev/null
run -c 8 -l 99 -s 30 -x 30 --reach >/dev/null
