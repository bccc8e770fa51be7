#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (+ASan+UBSan) and runs each for a bounded time.
# Usage: scripts/fuzz.sh [seconds per target, default 60]
# A crash fails the run, after every target has had its time; the crashing input is left in fuzz/crashes/
# — copy it into the target's corpus folder so that the ordinary test suite replays it from then on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build="$root/build-fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTORVEL_FUZZ=ON -DTORVEL_SANITIZE=ON -DTORVEL_BUILD_GUI=OFF -DTORVEL_BUILD_BENCH=OFF >/dev/null
targets=(parse commands settings design_file)
cmake --build "$build" --target "${targets[@]/#/fuzz-}"

mkdir -p "$root/fuzz/crashes"
failed=()
for t in "${targets[@]}"; do
  work=$(mktemp -d)
  cp "$root/fuzz/corpus/$t/"* "$work/"
  echo "== fuzz $t for ${seconds}s"
  # A target may bring a dictionary of the tokens its input format is made of.
  dict=()
  if [ -f "$root/fuzz/$t.dict" ]; then dict=(-dict="$root/fuzz/$t.dict"); fi
  # A whole design file is a few hundred bytes; the other targets' inputs are a few texts.
  max_len=512
  if [ "$t" = design_file ]; then max_len=4096; fi
  # The fuzzer's own status, not the filter's: under pipefail a "|| true" would hide a crash.
  status=0
  "$build/fuzz/fuzz-$t" "$work" "${dict[@]}" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
    -artifact_prefix="$root/fuzz/crashes/$t-" -print_final_stats=1 >"$work.log" 2>&1 || status=$?
  grep -E 'stat::number_of_executed_units|ERROR|SUMMARY|Done' "$work.log" || true
  rm -rf "$work" "$work.log"
  if [ "$status" -ne 0 ]; then echo "fuzz $t: failed (see fuzz/crashes/)"; failed+=("$t"); fi
done
# Every target runs even after one fails, so that one finding does not hide another.
if [ "${#failed[@]}" -ne 0 ]; then echo "fuzz: ${failed[*]} failed"; exit 1; fi
