#!/bin/sh
# Builds the table fuzzer (in the fuzzers' own build) and its seeds, then
# fuzzes for a bounded time.
#   run_fuzzer.sh CMAKE BUILD_DIR WORK_DIR SECONDS
# The corpus stays in WORK_DIR/corpus between runs; crashes go to WORK_DIR/artifacts.
set -eu
cmake=$1
build=$2
work=$3
seconds=$4
# Runs of the suite side by side share the build and the corpus: one at a
# time, each waiting for the one before.
mkdir -p "$work"
exec 9>"$work/.lock"
flock 9
"$cmake" --build "$build" --target fuzzers dbfengine_fuzz_seeds
"$cmake" --build "$build/fuzz" --target dbfengine_fuzzer
mkdir -p "$work/corpus" "$work/seeds" "$work/artifacts"
"$build/bin/dbfengine_fuzz_seeds" "$work/seeds"
exec "$build/fuzz/bin/dbfengine_fuzzer" "$work/corpus" "$work/seeds" \
  -max_total_time="$seconds" -timeout=10 -malloc_limit_mb=256 -rss_limit_mb=2048 \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1
