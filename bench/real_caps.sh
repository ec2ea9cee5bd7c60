#!/usr/bin/env bash
# Best plans, --reach and first records at real caps: wall time, peak
# memory and exit status of the built planner on each question, run once
# in a scratch directory. A question still running after LIMIT seconds
# (default 120) is stopped and shown as such.
# Usage: bench/real_caps.sh build/growth-planner
set -uo pipefail
program=$(realpath "$1")
limit=${LIMIT:-120}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

questions=(
  "-c 17 -l 76 -r 100 -a 53 -x 64 --max A"
  "-c 17 -l 76 -r 100 -a 53 -x 64 --max X --limit 10"
  "-c 2 -l 52 -r 50 -x 71 -h 36 -s 24 --max F"
  "-c 2 -l 52 -r 50 -x 71 -h 36 -s 24 --max F --limit 10"
  "-c 2 -l 52 -r 50 -x 71 -h 36 -s 24 --min F"
  "-c 2 -l 52 -r 50 -x 71 -h 36 -s 24 --min X --limit 10"
  "-c 3 -l 99 -h 80 -x 60 -s 152 --max H --limit 10"
  "-c 3 -l 99 -h 80 -x 60 -s 152 --max Point --limit 10"
  "-c 3 -l 60 -h 50 -x 40 -s 60 --max Point"
  "-c 3 -l 60 -h 50 -x 40 -s 60 --max HP"
  "-c 8 -l 60 -s 30 -x 40 -a 15 --max HP"
  "-c 8 -l 60 -s 30 -x 40 -a 15 --max MP"
  "-c 8 -l 60 -s 30 -x 40 -a 15 --max SP"
  "-c 8 -l 40 -s 30 -x 30 -a 15 --max HP"
  "-c 3 -l 99 -h 80 -x 60 -s 152 -a 40 -i 40 --max I"
  "-c 3 -l 99 -h 80 -x 60 -s 152 --max HP"
  "-c 0 -l 99 -s 60 -h 40 -x 30 --max MP"
  "-c 0 -l 99 -s 60 -h 40 -x 30 --max I --limit 5"
  "-c 3 -l 99 -h 80 -x 60 -s 152 --max F"
  "-c 4 -l 76 -i 64 -s 64 -f 77 --min WT"
  "-c 12 -l 76 -a 59 -m 37 -i 37 -f 74 --max WT"
  "-c 18 -l 30 -h 25 -s 30 -x 30 -f 25 --min MP"
  "-c 22 -l 31 -r 42 -h 30 -f 41 -s 30 -a 13 --reach"
  "-c 19 -l 30 -r 50 -x 24 -m 23 -s 20 -a 33 --reach"
  "-c 3 -l 99 -h 80 -x 60 -s 152 --reach"
  "-c 0 -l 99 -s 60 -h 40 -x 30 --reach"
  "-c 0 -l 99 -s 60 -h 40 -x 30 -a 20 -f 20 --reach"
  "-c 3 -l 99 -h 80 -x 60 -s 152 --limit 1"
)

printf '%-58s %9s %10s %s\n' "question" "seconds" "peak MiB" "status"
for question in "${questions[@]}"; do
  rm -f OUTPUT.txt
  # shellcheck disable=SC2086  # each question is its words
  /usr/bin/time -o time.txt -f '%e %M %x' timeout "$limit" "$program" $question \
    >/dev/null 2>stderr.txt
  # time puts a line of its own before the figures when the status is not 0.
  read -r seconds kilobytes status < <(tail -n 1 time.txt)
  [ "$status" = 124 ] && status="stopped after ${limit} s"
  printf '%-58s %9s %10d %s\n' "$question" "$seconds" $((kilobytes / 1024)) "$status"
done
