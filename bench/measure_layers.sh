#!/usr/bin/env bash
# The GIS figures for bench/README.md: a GeoPackage of 2,000,000 trees (points
# in S-JTSK / Krovak, plot, species, diameter, height) copied by ogr2ogr and
# computed by pdravlik-calc into a new GeoPackage and FlatGeobuf; the stand
# summary of the same layer, as a table and dissolved by plot. Wall time and
# peak memory of each run.
#   bench/measure_layers.sh BUILD
set -euo pipefail
calc=$(realpath "$1")/bin/pdravlik-calc
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

awk 'BEGIN {
  srand(20); split("SM BO MD JD DB BK", c, " ");
  print "plot,species,diameter,height,x,y";
  for (i = 0; i < 2000000; i++) {
    p = int(i / 100);
    printf "%d,%s,%.1f,%.1f,%.2f,%.2f\n", p, c[1 + int(6 * rand())], 8 + 52 * rand(), 8 + 30 * rand(),
      -700000 - (p % 200) * 25 - 25 * rand(), -1100000 - int(p / 200) * 25 - 25 * rand();
  }
}' >trees.csv
ogr2ogr -f GPKG trees.gpkg trees.csv -nln trees -a_srs EPSG:5514 -oo X_POSSIBLE_NAMES=x -oo Y_POSSIBLE_NAMES=y \
  -oo AUTODETECT_TYPE=YES

run() {  # LABEL COMMAND...
  local label=$1
  shift
  rm -f out.* copy.*
  /usr/bin/time -f "%e s wall, %U s user, %M KB peak" -o time.txt "$@" >/dev/null 2>status.txt || true
  printf '%-52s %s  (%s)\n' "$label" "$(tail -1 time.txt)" "$(tail -1 status.txt)"
}

echo "$(du -h trees.gpkg | cut -f1) GeoPackage of 2,000,000 trees"
run "ogr2ogr, GPKG to GPKG (a copy only)" ogr2ogr -f GPKG copy.gpkg trees.gpkg
run "pdravlik-calc volume, GPKG to GPKG" "$calc" volume -i trees.gpkg -o out.gpkg
run "ogr2ogr, GPKG to FlatGeobuf (a copy only)" ogr2ogr -f FlatGeobuf copy.fgb trees.gpkg
run "pdravlik-calc volume, GPKG to FlatGeobuf" "$calc" volume -i trees.gpkg -o out.fgb
run "pdravlik-calc volume, the same trees as CSV" "$calc" volume -i trees.csv -o out.csv
run "pdravlik-calc stand by plot, GPKG to CSV" "$calc" stand -i trees.gpkg --plot-area 625 --group-by plot \
  -o out.csv
run "pdravlik-calc stand by plot --dissolve, to GPKG" "$calc" stand -i trees.gpkg --plot-area 625 \
  --group-by plot --dissolve -o out.gpkg
