#!/usr/bin/env bash
# Merge time against records per side, log-log, from qz_merge_sweep's lines:
# the model libraries on the left, the archive databases on the right; the
# whole release sync with the lookup (solid), the record merge by the plain
# scan (dashed) and by the lookup (dotted), one colour per merge.
#   bench/plot_merges.sh MERGES.tsv OUT.png
set -euo pipefail
tsv=$1
png=$2
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
awk -F'\t' -v dir="$data" '$3 ~ /^(merge|step_scan|step_indexed)$/ {
  print $2, $5 > (dir "/" $1 "." $3 ".dat") }' "$tsv"

# The plot command for the merges whose names match the pattern.
plot_of() {
  local pattern=$1 colour=1 m parts=()
  for m in $(awk -F'\t' -v p="$pattern" '$3 == "merge" && $1 ~ p { print $1 }' "$tsv" | awk '!seen[$0]++'); do
    parts+=("'$data/$m.merge.dat' using 1:2 with linespoints lt $colour lw 2 pt 7 dt 1 title '${m#Merge}'")
    [ -f "$data/$m.step_scan.dat" ] &&
      parts+=("'$data/$m.step_scan.dat' using 1:2 with linespoints lt $colour lw 1 pt 5 dt 2 notitle")
    [ -f "$data/$m.step_indexed.dat" ] &&
      parts+=("'$data/$m.step_indexed.dat' using 1:2 with linespoints lt $colour lw 1 pt 1 dt 3 notitle")
    colour=$((colour + 1))
  done
  local IFS=,
  echo "plot ${parts[*]}"
}

gnuplot <<GP
set terminal pngcairo size 1200,560 font "DejaVu Sans,10"
set output '$png'
set multiplot layout 1,2 title "Merge time against records per side (medians; log-log)\nsolid: whole merge   dashed: record merge by plain scan   dotted: record merge by lookup"
set logscale xy
set xlabel "records per side"
set ylabel "milliseconds"
set grid
set key top left
set title "model libraries"
$(plot_of Library)
set title "archive databases"
$(plot_of Database)
unset multiplot
GP
