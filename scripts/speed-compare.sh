#!/usr/bin/env bash
# Times two quilmo binaries side by side on one bundled example: each run
# in a fresh folder, the two binaries alternating, `repeats` times.  "first"
# runs start from an empty plan cache, "warm" runs from the cache their own
# first run left.  Prints the median wall time and the peak memory of each.
#   scripts/speed-compare.sh OLD NEW [example] [repeats]
set -euo pipefail
old=$(realpath "$1"); new=$(realpath "$2")
name="${3:-sucrose_mem}"; repeats="${4:-5}"
cd "$(dirname "$0")/.."
example="$(pwd)/examples/$name.Quilmo"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

# run BINARY CACHE-DIR: one run, prints "seconds kilobytes".
run() {
    local dir; dir=$(mktemp -d -p "$work")
    cp "$example" "$dir/"
    (cd "$dir" && XDG_CACHE_HOME="$2" /usr/bin/time -f "%e %M" -o "$dir/time" "$1" "$name" >/dev/null 2>&1)
    cat "$dir/time"
}

declare -A times mems
for ((i = 1; i <= repeats; i++)); do
    for which in old new; do
        bin=${!which}
        cache="$work/cache-$which-$i"
        for phase in first warm; do
            read -r s kb < <(run "$bin" "$cache")
            times[$which-$phase]+="$s "
            mems[$which-$phase]+="$kb "
        done
    done
done
median() { tr ' ' '\n' | grep . | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
printf "%-6s %-6s %10s %12s\n" binary run "median s" "median KB"
for which in old new; do
    for phase in first warm; do
        printf "%-6s %-6s %10s %12s\n" "$which" "$phase" \
            "$(echo "${times[$which-$phase]}" | median)" "$(echo "${mems[$which-$phase]}" | median)"
    done
done
for phase in first warm; do
    o=$(echo "${times[old-$phase]}" | median); n=$(echo "${times[new-$phase]}" | median)
    echo "$phase run: new is $(awk -v o="$o" -v n="$n" 'BEGIN {printf "%.2f", o / n}')x as fast as old"
done
