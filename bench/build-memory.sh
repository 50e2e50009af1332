#!/usr/bin/env bash
# The peak memory of a document build, as a user runs it: the fpc-source
# project (2,564 units) and, with COPIES above 1, that many copies of its
# units under new names (8 make 20,512 units). A build should hold about the
# same at any size: what it keeps of the units it finished is small, and the
# few generated units of tens of thousands of declarations set the peak.
#   bench/build-memory.sh [BUILD_FOLDER] [COPIES] [RUNS]
# The larger project needs about 1 GB of disk (links and the store); set
# TMPDIR to a folder with room.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
copies=${2:-1}
runs=${3:-3}
tool="$build/bin/inkwright-tool"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$here/scripts/make-fpc-project" "$work/project" 0 "$copies" >/dev/null
for ((run = 1; run <= runs; run++)); do
    rm -rf "$work/data"
    /usr/bin/time -f "%M %e %U %S" -o "$work/time" \
        "$tool" build "$work/project/FpcUnits.dpr" --data "$work/data" >"$work/out" 2>&1 || {
        cat "$work/out" >&2; exit 1; }
    read -r kb seconds user system <"$work/time"
    printf 'build of %s units: peak %6.1f MB  %6.2f s wall  %6.2f s CPU\n' \
        "$(grep -o 'units	[0-9]*' "$work/out" | cut -f2)" "$(echo "$kb / 1024" | bc -l)" \
        "$seconds" "$(echo "$user + $system" | bc -l)"
done
