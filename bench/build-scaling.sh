#!/usr/bin/env bash
# How a document build grows with the project: the fpc-source project (2,564
# units) against eight copies of it (20,512 units), each build into a fresh
# folder, the two sizes taken in turns so that both meet the machine in the
# same state. Prints each build, then the medians and the large build's
# multiple of the small one's (8 would be growth in step with the units).
#   bench/build-scaling.sh [BUILD_FOLDER] [ROUNDS]
# The copies are symbolic links; the stores take about 1.2 GB of disk while
# a round runs. Set TMPDIR to a folder with room.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
rounds=${2:-5}
tool="$build/bin/inkwright-tool"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$here/scripts/make-fpc-project" "$work/small" 0 1 >/dev/null
"$here/scripts/make-fpc-project" "$work/large" 0 8 >/dev/null

build_once() { # SIZE: appends "wall cpu peak_mb" to $work/SIZE.times
    rm -rf "$work/data"
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" \
        "$tool" build "$work/$1/FpcUnits.dpr" --data "$work/data" >"$work/out" 2>&1 || {
        cat "$work/out" >&2; exit 1; }
    read -r wall user system kb <"$work/time"
    local cpu peak
    cpu=$(echo "$user + $system" | bc -l)
    peak=$(echo "$kb / 1024" | bc -l)
    echo "$wall $cpu $peak" >>"$work/$1.times"
    printf '%-5s  %7.2f s wall  %7.2f s CPU  peak %6.1f MB\n' "$1" "$wall" "$cpu" "$peak"
}

for ((round = 1; round <= rounds; round++)); do
    build_once small
    build_once large
done
rm -rf "$work/data"

median() { # FILE COLUMN
    sort -g -k"$2,$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END {
        print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
for size in small large; do
    printf '%-5s  median %7.2f s wall  %7.2f s CPU  peak %6.1f MB (highest %.1f)\n' "$size" \
        "$(median "$work/$size.times" 1)" "$(median "$work/$size.times" 2)" \
        "$(median "$work/$size.times" 3)" "$(sort -g -k3,3 "$work/$size.times" | tail -1 | cut -d' ' -f3)"
done
printf 'large / small: %.2f wall, %.2f CPU\n' \
    "$(echo "$(median "$work/large.times" 1) / $(median "$work/small.times" 1)" | bc -l)" \
    "$(echo "$(median "$work/large.times" 2) / $(median "$work/small.times" 2)" | bc -l)"
