#!/usr/bin/env bash
# Whole-program timings: the built planner on a few runs, records to a real
# file in a scratch directory. Usage: bench/program_runs.sh build/growth-planner
set -euo pipefail
program=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

run() {
  rm -f OUTPUT.txt
  local start=$EPOCHREALTIME
  "$program" "$@"
  local end=$EPOCHREALTIME
  local records=0
  [ -f OUTPUT.txt ] && records=$(($(wc -l <OUTPUT.txt) / 2))
  printf '%-34s %10.3f s %12d records\n' "$*" "$(awk "BEGIN { print $end - $start }")" "$records"
}

run -c 0 -l 6 -s 99 -h 99
run -c 8 -l 8
run -c 9 -l 10
run -c 0 -l 4 -s 8 -h 5
run -c 9 -l 5 -s 8 -f 5
