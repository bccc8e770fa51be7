#!/usr/bin/env bash
# Times `torvel-cli synth ... --json` as a whole process: the mean of many runs.
# Usage: scripts/bench-cli.sh [path to torvel-cli] [runs, default 200]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$root/build/src/cli/torvel-cli}
runs=${2:-200}
start=$(date +%s%N)
for _ in $(seq "$runs"); do
  "$cli" synth --type tzf-low --H 1 --fo 1k --Q 2 --fn 2k --json >/dev/null
done
end=$(date +%s%N)
echo "torvel-cli synth --json: $(( (end - start) / runs / 1000 )) µs per process (mean of $runs)"
