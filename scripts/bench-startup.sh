#!/usr/bin/env bash
# Start-up benchmark of the window: time from starting the process to the window's first paint, and
# peak memory (maximum resident set), on a private X server, over several runs.
#
#   scripts/bench-startup.sh [runs] [program]
#
# The program reports its first paint and leaves at once when TORVEL_REPORT_STARTUP=1; it then writes no
# settings. Targets on the development machine: under 300 ms and under 80 MB.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-10}
program=${2:-$root/build/src/shell/torvel}
[ -x "$program" ] || { echo "bench-startup: no program at $program" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "bench-startup: /usr/bin/time is missing (package time)" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
for n in $(seq 200 249); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  sleep 0.5
  if kill -0 "$xvfb_pid" 2>/dev/null; then export DISPLAY=":$n"; break; fi
  xvfb_pid=""
done
[ -n "$xvfb_pid" ] || { echo "bench-startup: no free X display" >&2; exit 1; }

# The settings file goes beside a copy of the program, in the temporary folder.
cp "$program" "$work/torvel"
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 HOME="$work" TORVEL_REPORT_STARTUP=1

"$work/torvel" 2>/dev/null || true  # warm the file cache once
for i in $(seq 1 "$runs"); do
  start=$(date +%s%N)
  /usr/bin/time -f "maxrss-kb=%M" "$work/torvel" 2>"$work/run.log" || true
  shown=$(sed -n 's/.*shown-at-ns=\([0-9]*\).*/\1/p' "$work/run.log")
  rss=$(sed -n 's/^maxrss-kb=\([0-9]*\)/\1/p' "$work/run.log")
  [ -n "$shown" ] && [ -n "$rss" ] || { echo "bench-startup: run $i reported nothing" >&2; cat "$work/run.log" >&2; exit 1; }
  echo "$(( (shown - start) / 1000000 )) $rss"
done >"$work/results"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ms_median=$(cut -d' ' -f1 "$work/results" | median)
ms_max=$(cut -d' ' -f1 "$work/results" | sort -n | tail -1)
rss_median=$(cut -d' ' -f2 "$work/results" | median)
rss_max=$(cut -d' ' -f2 "$work/results" | sort -n | tail -1)
echo "start to first paint: median $ms_median ms, max $ms_max ms ($runs runs)"
echo "peak memory (max RSS): median $((rss_median / 1024)) MB, max $((rss_max / 1024)) MB"
