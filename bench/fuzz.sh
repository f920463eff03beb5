#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz/ and runs each for a
# bounded time: the DXF reader and the remote backend's frame decoder.
#   bench/fuzz.sh            60 s per target
#   FUZZ_SECONDS=300 bench/fuzz.sh
# Prints each target's executions; exits non-zero when a target found a crash
# (the input is kept in build-fuzz/crashes/).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
seconds="${FUZZ_SECONDS:-60}"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVEDORIS_FUZZ=ON -DVEDORIS_SANITIZE=ON -DVEDORIS_TESTS=OFF -DVEDORIS_BENCH=OFF >/dev/null
ninja -C "$build" -j2 fuzz_dxf_reader fuzz_frame_decoder

mkdir -p "$build/crashes"
failed=0
run() {
  local target=$1 seeds=$2
  shift 2
  local corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  local log="$build/$target.log"
  set +e
  "$build/bin/$target" "$corpus" "$seeds" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/crashes/$target-" -rss_limit_mb=2048 "$@" >"$log" 2>&1
  local rc=$?
  set -e
  local runs
  runs=$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')
  local crashes
  crashes=$(find "$build/crashes" -name "$target-*" | wc -l)
  echo "$target: ${runs:-?} executions in ${seconds} s, exit $rc, crash inputs: $crashes"
  if [ "$rc" -ne 0 ] || [ "$crashes" -ne 0 ]; then
    failed=1
    tail -n 40 "$log"
  fi
}

run fuzz_dxf_reader "$root/fuzz/corpus/dxf" -dict="$root/fuzz/dxf.dict" -max_len=16384
run fuzz_frame_decoder "$root/fuzz/corpus/frame" -max_len=4096

exit "$failed"
