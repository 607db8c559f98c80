#!/usr/bin/env bash
# The stand summary's figures for bench/README.md: 2,000,000 trees in 20,000
# plots of 500 m2, a third of them with a measured height, the rest filled
# from Näslund curves; once sorted by plot and once with every tree in
# another plot than the one before it. Wall time and peak memory of each run.
#   bench/measure_stand.sh BUILD
set -euo pipefail
calc=$(realpath "$1")/bin/pdravlik-calc
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

# ORDER: plot (each plot's trees together) or tree (the plots interleaved).
trees() {  # ORDER
  awk -v order="$1" 'BEGIN {
    srand(18); split("SM BO MD JD DB BK", c, " ");
    print "plot,species,diameter,height";
    for (p = 0; p < 20000; p++) { a[p] = 1.4 + 0.8 * rand(); b[p] = 0.22 + 0.06 * rand(); s[p] = 1 + int(6 * rand()) }
    for (i = 0; i < 100; i++) for (p = 0; p < 20000; p++) {
      sp = rand() < 0.65 ? c[s[p]] : c[1 + (s[p] % 6)];
      d = 8 + 52 * rand();
      noise = sqrt(-2 * log(1 - rand())) * cos(6.283185307 * rand()) * 0.8;
      h = 1.3 + d * d / ((a[p] + b[p] * d) ^ 2) + noise;
      row[i * 20000 + p] = sprintf("%d,%s,%.1f,%s", p, sp, d, rand() < 0.33 ? sprintf("%.1f", h) : "");
    }
    if (order == "tree") { for (i = 0; i < 2000000; i++) print row[i] }
    else { for (p = 0; p < 20000; p++) for (i = 0; i < 100; i++) print row[i * 20000 + p] }
  }'
}
trees plot >by-plot.csv
trees tree >interleaved.csv

run() {  # LABEL COMMAND...
  local label=$1
  shift
  /usr/bin/time -f "%e s wall, %U s user, %M KB peak" -o time.txt "$@" >/dev/null 2>status.txt || true
  printf '%-60s %s  (%s)\n' "$label" "$(cat time.txt | tail -1)" "$(tail -1 status.txt)"
}

for input in by-plot interleaved; do
  run "stand --fill-heights, $input" "$calc" stand -i $input.csv --plot-area 500 --group-by plot --fill-heights -o out.csv
  run "stand --fill-heights --curves, $input" "$calc" stand -i $input.csv --plot-area 500 --group-by plot \
    --fill-heights --curves curves.csv -o out.csv
  run "cat | stand --fill-heights, $input" sh -c "cat $input.csv | '$calc' stand --plot-area 500 --group-by plot --fill-heights -o out.csv"
  run "volume --fill-heights --group-by plot, $input" "$calc" volume -i $input.csv --group-by plot --fill-heights -o out.csv
  run "volume (heights as they are), $input" "$calc" volume -i $input.csv -o out.csv
done
