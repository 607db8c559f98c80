#!/usr/bin/env bash
# Takes the figures of bench/README.md's section on the calculator's long
# records: pdravlik-calc volume over 1,000 records of about 1 MB each (a tree
# row with a long note, plain or quoted with commas and a line break in it),
# and the refusal of a 100 MB record; time and peak memory of each.
#   bench/measure_long_records.sh BUILD [RUNS]
set -euo pipefail
calc=$(realpath "$1")/bin/pdravlik-calc
runs=${2:-5}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

# 1,000 rows "id,species,diameter,height,note" whose note makes each about
# 1,000,000 bytes, under the 1 MiB bound; QUOTED puts commas and a line break
# in the note, so the quoted-field scan does the work.
long_records() {  # QUOTED
  awk -v quoted="$1" 'BEGIN {
    split("SM BO MD JD DB BK JS BR OL TP HB AK DG", c, " ")
    words = quoted ? "smrk ztepily, zdravy, bez poskozeni " : "smrk ztepily zdravy bez poskozeni "
    while (length(note) < 999950) note = note words
    note = substr(note, 1, 999950)
    if (quoted) note = "\"" substr(note, 1, 500000) "\n" substr(note, 500001) "\""
    print "id,species,diameter,height,note"
    srand(1)
    for (i = 1; i <= 1000; i++)
      printf "%d,%s,%.1f,%.1f,%s\n", i, c[int(rand() * 13) + 1], 7 + rand() * 73, 7 + rand() * 33, note
  }'
}

# Median wall time, median user+system CPU and the largest peak memory of
# RUNS runs, each of which must end with EXPECTED_STATUS.
measure() {  # EXPECTED_STATUS COMMAND...
  local expected=$1 i status start end
  shift
  : > runs.txt
  for ((i = 0; i < runs; i++)); do
    status=0
    start=$(date +%s%N)
    /usr/bin/time -f "%U %S %M" -o time.txt "$@" >stdout.txt 2>errors.txt || status=$?
    end=$(date +%s%N)
    [[ $status -eq $expected ]] || { echo "exit status $status, not $expected:" >&2; cat errors.txt >&2; exit 1; }
    # time's last line: it notes a non-zero status before.
    echo "$(((end - start) / 1000)) $(tail -1 time.txt)" >> runs.txt
  done
  local middle=$(((runs + 1) / 2))
  printf "%s wall, %s s CPU, peak %s MB\n" \
    "$(awk '{ print $1 }' runs.txt | sort -n | sed -n "${middle}p" | awk '{ if ($1 < 100000) printf "%.1f ms", $1 / 1000; else printf "%.2f s", $1 / 1e6 }')" \
    "$(awk '{ printf "%.2f\n", $2 + $3 }' runs.txt | sort -n | sed -n "${middle}p")" \
    "$(awk '{ printf "%.1f\n", $4 / 1024 }' runs.txt | sort -n | tail -1)"
}

long_records 0 > plain.csv
long_records 1 > quoted.csv
{ printf 'id,species,diameter,height,note\n1,SM,32.5,27.1,\n'; head -c 100000000 /dev/zero | tr '\0' x; } > huge.csv
ls -l plain.csv quoted.csv huge.csv | awk '{ print "  " $5, $9 }'

echo "== 1,000 records of about 1 MB, $runs runs"
echo "  plain notes, -o out.csv:  $(measure 0 "$calc" volume -i plain.csv -o out.csv)"
echo "  quoted notes, -o out.csv: $(measure 0 "$calc" volume -i quoted.csv -o out.csv)"
echo "  plain notes, from a pipe to a pipe: $(measure 0 sh -c "cat plain.csv | '$calc' volume | cat > piped.csv")"
echo "== a 100 MB record on line 3, refused"
echo "  -i huge.csv -o out.csv:   $(measure 2 "$calc" volume -i huge.csv -o out.csv)"
echo "  from a pipe:              $(measure 2 sh -c "cat huge.csv | '$calc' volume -o out.csv")"
