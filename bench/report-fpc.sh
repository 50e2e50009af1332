#!/usr/bin/env bash
# The report of a document of every fpc-source unit, end to end as a user
# runs it: the build, then the PDF and the site export, each timed with its
# peak memory by /usr/bin/time.
#   bench/report-fpc.sh [BUILD_FOLDER] [MAX_UNITS]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
max=${2:-100000}
tool="$build/bin/inkwright-tool"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

measure() { # LABEL COMMAND...: prints "LABEL  seconds  peak MB"
    local label=$1; shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/out" 2>"$work/err" || {
        cat "$work/err" >&2; exit 1; }
    read -r seconds kb <"$work/time"
    printf '%-12s %8.2f s %8.1f MB   %s\n' "$label" "$seconds" "$(echo "$kb / 1024" | bc -l)" \
        "$(grep -v XDG_RUNTIME "$work/out" | head -1)"
    eval "${label//-/_}_seconds=$seconds"
}

"$here/scripts/make-fpc-project" "$work/project" "$max" >/dev/null
measure build "$tool" build "$work/project/FpcUnits.dpr" --data "$work/data"
measure export-pdf "$tool" export 1 --data "$work/data" --out "$work/report.pdf"
measure export-site "$tool" export 1 --data "$work/data" --out "$work/site"
printf 'PDF export / build: %.2f   site export / build: %.2f   PDF size: %s\n' \
    "$(echo "$export_pdf_seconds / $build_seconds" | bc -l)" \
    "$(echo "$export_site_seconds / $build_seconds" | bc -l)" \
    "$(du -h "$work/report.pdf" | cut -f1)"
