#!/bin/sh
# Fuzzes the calculator's CSV path for a bounded time from a few seed files.
#   run_csv_fuzzer.sh FUZZER WORK_DIR SECONDS
# The corpus stays in WORK_DIR/corpus between runs; crashes go to WORK_DIR/artifacts.
set -eu
fuzzer=$1
work=$2
seconds=$3
# Runs of the suite side by side share the build and the corpus: one at a
# time, each waiting for the one before.
mkdir -p "$work"
exec 9>"$work/.lock"
flock 9
mkdir -p "$work/corpus" "$work/seeds" "$work/artifacts"
# The first byte chooses the options: 0 is commas and a point, 5 semicolons and a comma.
printf '\000species,diameter,height,note\nSM,30,25\nBK,"40",30,"a, ""b"""\n\n,,\nSM,30,25,x,y\n' >"$work/seeds/commas"
printf '\005Dřevina;Tloušťka d1,3 (cm);Výška\r\nSM;32,5;27,1\r;;\r\n"smrk";"41";30,4' >"$work/seeds/semicolons"
printf '\200age,site_index,species\rSM,80,28\rBO,"12" crack,4\r"open\n' >"$work/seeds/pieces"
printf '\100\357\273\277Tlou\232\235ka,x\n1,2\n' >"$work/seeds/windows-1250"
exec "$fuzzer" "$work/corpus" "$work/seeds" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1
