#!/usr/bin/env bash
# Takes the figures bench/README.md reports, in one run on an idle machine:
# the models per call, the calculator's batch path, and both tables end to end
# beside ogr2ogr writing the same tables from CSV. With a second build (of an
# older commit), its models and pdravlik-tables are measured beside ours.
#   bench/measure.sh BUILD [BEFORE_BUILD]
set -euo pipefail
build=$(realpath "$1")
before=${2:+$(realpath "$2")}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

# Median wall time in ms of RUNS runs of a command.
median_ms() {  # RUNS COMMAND...
  local runs=$1 i start end
  shift
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
  done | sort -n | awk '{ a[NR] = $1 } END { printf "%.1f ms\n", a[int((NR + 1) / 2)] / 1000 }'
}

models() {  # BUILD
  "$1/bin/models_benchmark" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null |
    awk '/_median/ { print "  " $1, $2, $3 }'
}

echo "== models, per call (site-class inputs: 3,228 calls per iteration)"
[[ -n "$before" ]] && { echo " before:"; models "$before"; }
echo " now:"
models "$build"

echo "== calculator, 1,000,000 trees"
"$build/bin/calculator_benchmark" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null |
  awk '/_median/ { print "  " $0 }'
awk 'BEGIN { srand(1); split("SM BO MD JD DB BK JS BR OL TP HB AK DG", c, " ");
             print "id,species,diameter,height";
             for (i = 1; i <= 1000000; i++) printf "%d,%s,%.1f,%.1f\n", i, c[int(rand() * 13) + 1], 7 + rand() * 73, 7 + rand() * 33 }' \
  > trees.csv
[[ -n "$before" ]] && echo "  pdravlik-calc volume -i trees.csv -o out.csv, before: $(median_ms 5 "$before/bin/pdravlik-calc" volume -i trees.csv -o out.csv)"
echo "  pdravlik-calc volume -i trees.csv -o out.csv: $(median_ms 5 "$build/bin/pdravlik-calc" volume -i trees.csv -o out.csv)"

echo "== both tables end to end"
"$build/bin/pdravlik-tables" --csv >/dev/null
[[ -n "$before" ]] && echo "  pdravlik-tables, before: $(median_ms 31 "$before/bin/pdravlik-tables")"
echo "  pdravlik-tables: $(median_ms 31 "$build/bin/pdravlik-tables")"
[[ -n "$before" ]] && echo "  pdravlik-tables --check, before: $(median_ms 31 "$before/bin/pdravlik-tables" --check)"
echo "  pdravlik-tables --check: $(median_ms 31 "$build/bin/pdravlik-tables" --check)"
[[ -n "$before" ]] && echo "  pdravlik-tables --csv, before: $(median_ms 31 "$before/bin/pdravlik-tables" --csv)"
echo "  pdravlik-tables --csv: $(median_ms 31 "$build/bin/pdravlik-tables" --csv)"
mkdir gdal
ogr() {
  rm -f gdal/*
  ogr2ogr -oo AUTODETECT_TYPE=YES -f "ESRI Shapefile" gdal/bon_Hm1.dbf bon_Hm1.csv &&
    ogr2ogr -oo AUTODETECT_TYPE=YES -f "ESRI Shapefile" gdal/TloVysHm.dbf TloVysHm.csv
}
echo "  ogr2ogr, both tables from CSV: $(median_ms 11 ogr)"
