#!/usr/bin/env bash
# Times torvel-cli as a whole process, the mean of many runs: one section's synthesis, and a whole
# tenth-order elliptic band-pass from its mask (which should stay within twice the synthesis).
# Usage: scripts/bench-cli.sh [path to torvel-cli] [runs, default 200]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$root/build/src/cli/torvel-cli}
runs=${2:-200}

mean_us() {
  local start end
  start=$(date +%s%N)
  for _ in $(seq "$runs"); do "$cli" "$@" >/dev/null; done
  end=$(date +%s%N)
  echo $(( (end - start) / runs / 1000 ))
}

synth=$(mean_us synth --type tzf-low --H 1 --fo 1k --Q 2 --fn 2k --json)
cascade=$(mean_us cascade --response bp --approx elliptic --fp 800,1250 --fs 700,1450 --Ap 0.5 --As 40 --json)
echo "torvel-cli synth --json:   $synth µs per process (mean of $runs)"
echo "torvel-cli cascade --json: $cascade µs per process ($(( cascade * 100 / synth ))% of synth)"
