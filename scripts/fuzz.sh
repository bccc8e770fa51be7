#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (+ASan+UBSan) and runs each of them.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#                               a campaign: every target (or those named) for SECONDS (default 60) from a
#                               fresh random seed
#   scripts/fuzz.sh --ci        the test command's run: every target for a fixed number of inputs from a
#                               fixed seed, so that a commit that passed once passes on every re-run
#
# A target is a folder of fuzz/corpus/ with its fuzz/<name>_fuzz.cpp. A crash fails the run; the crashing
# input is left in fuzz/crashes/ -- copy it into the target's corpus folder so that the ordinary test
# suite replays it from then on. The last run's figures (seed, executions, findings per target) are kept in
# build-fuzz/last-run.txt.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"

mode=campaign
seconds=60
case "${1:-}" in
  --ci) mode=ci ;;
  '') ;;
  *) seconds=$1 ;;
esac
shift || true
chosen=("$@")
# Fixed runs per target for --ci: about a minute each on a 2-core machine, seeds chosen once and kept.
declare -A ci_runs=([parse]=1500000 [commands]=400000 [settings]=150000 [design_file]=150000 [filter_file]=20000 [optimise]=3000)
ci_seed=20261209

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTORVEL_FUZZ=ON -DTORVEL_SANITIZE=ON -DTORVEL_BUILD_GUI=OFF -DTORVEL_BUILD_BENCH=OFF >/dev/null
targets=()
for dir in "$root"/fuzz/corpus/*/; do
  t=$(basename "$dir")
  [ -f "$root/fuzz/${t}_fuzz.cpp" ] || continue
  if ((${#chosen[@]})) && [[ ! " ${chosen[*]} " == *" $t "* ]]; then continue; fi
  targets+=("$t")
done
cmake --build "$build" --target "${targets[@]/#/fuzz-}"

mkdir -p "$root/fuzz/crashes"
summary="$build/last-run.txt"
echo "# $(date -u +%Y-%m-%dT%H:%MZ) $mode $([ "$mode" = ci ] || echo "${seconds}s per target")" > "$summary"
failed=0
for t in "${targets[@]}"; do
  work=$(mktemp -d)
  cp "$root/fuzz/corpus/$t/"* "$work/"
  if [ "$mode" = ci ]; then
    seed=$ci_seed
    limit=(-runs="${ci_runs[$t]:-100000}")
  else
    seed=$(( (RANDOM << 15 | RANDOM) + 1 ))
    limit=(-max_total_time="$seconds")
  fi
  # A target may bring a dictionary of the tokens its input format is made of.
  dict=()
  if [ -f "$root/fuzz/$t.dict" ]; then dict=(-dict="$root/fuzz/$t.dict"); fi
  # A whole design file is a few hundred bytes; the other targets' inputs are a few texts.
  max_len=512
  if [ "$t" = design_file ] || [ "$t" = filter_file ]; then max_len=4096; fi
  echo "== fuzz $t (seed $seed, ${limit[0]#-})"
  log="$work.log"
  set +e
  "$build/fuzz/fuzz-$t" "$work" "${dict[@]}" "${limit[@]}" -seed="$seed" -max_len="$max_len" -timeout=10 \
    -artifact_prefix="$root/fuzz/crashes/$t-" -print_final_stats=1 >"$log" 2>&1
  status=$?
  set -e
  if [ "$status" -ne 0 ]; then tail -n 30 "$log"; else grep -E 'ERROR|SUMMARY|Test unit written' "$log" || true; fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  findings=$([ "$status" -eq 0 ] && echo 0 || echo 1)
  echo "$t seed=$seed executions=${executions:-?} findings=$findings" | tee -a "$summary"
  rm -rf "$work" "$log"
  # Every target runs even after one fails, so that one finding does not hide another.
  if [ "$status" -ne 0 ]; then echo "fuzz $t: failed (see fuzz/crashes/)"; failed=1; fi
done
exit "$failed"
