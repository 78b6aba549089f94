#!/bin/sh
# Charge flipping on the sucrose sample over seeds 1..10: cycles of the last
# attempt, attempts, final R, seconds, and whether the structure was found
# among the peaks of the run's peak table (scripts/cf_match.py).
# Usage: cf_seed_study.sh QUILMO INPUT ATOMS [extra sed]
# SEEDS="1 2 ..." runs other seeds; KEEP=DIR keeps each seed's console in
# DIR/<seed>.con (for scripts/cf_restart_model.py).
set -e
exe=$(realpath "$1"); input=$(realpath "$2"); atoms=$(realpath "$3"); extra=${4:-}
here=$(dirname "$(realpath "$0")")
seeds=${SEEDS:-1 2 3 4 5 6 7 8 9 10}
keep=${KEEP:+$(mkdir -p "$KEEP" && realpath "$KEEP")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%-5s %-8s %-7s %-8s %-8s %s\n' seed attempts cycles R seconds found
for seed in $seeds; do
  mkdir "$work/$seed"; cd "$work/$seed"
  sed "s/^randomseed .*/randomseed $seed/; $extra" "$input" > s.Quilmo
  t0=$(date +%s.%N)
  "$exe" s > con.txt 2>&1
  t1=$(date +%s.%N)
  [ -n "$keep" ] && cp con.txt "$keep/$seed.con"
  last=$(grep '^CF attempt' con.txt | tail -1)
  att=$(echo "$last" | awk '{print $3}'); cyc=$(echo "$last" | awk '{print $5}'); r=$(echo "$last" | awk '{print $7}')
  found=$(/usr/bin/python3 "$here/cf_match.py" s.QLpeaks "$atoms")
  printf '%-5s %-8s %-7s %-8s %-8.1f %s\n' "$seed" "$att" "$cyc" "$r" "$(echo "$t1 - $t0" | bc)" "$found"
done
