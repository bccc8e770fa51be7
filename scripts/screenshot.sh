#!/usr/bin/env bash
# Starts the real program on a private X server with a window manager and saves a picture of its
# window, title bar included, as docs/screenshot.png (or the path given as the first argument).
#
#   scripts/screenshot.sh [--synthesis] [output.png] [program]
#
# The program defaults to the one in build/ (scripts/run.sh builds it). The settings file it reads is a
# fresh one in a temporary folder, so the picture shows the window as it starts the first time. With
# --synthesis (picture docs/synthesis.png) the keyboard designs a TZF (Wo<Wn) first, H 1, fo 1k, Q 2,
# fn 2k, then runs 回路定数算出 and 伝達関数算出, through the test harness's x_drive (built with the tests).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
synthesis=""
if [ "${1:-}" = "--synthesis" ]; then synthesis=1; shift; fi
picture=screenshot
[ -z "$synthesis" ] || picture=synthesis
out=${1:-$root/docs/$picture.png}
program=${2:-$root/build/src/shell/torvel}
drive=${TORVEL_X_DRIVE:-$(dirname "$program")/../../tests/desktop/x_drive}
for tool in Xvfb openbox xwininfo xwd xwdtopnm pnmtopng; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing; run scripts/install-deps.sh" >&2; exit 1; }
done
[ -x "$program" ] || { echo "screenshot: no program at $program" >&2; exit 1; }
[ -z "$synthesis" ] || [ -x "$drive" ] || { echo "screenshot: no x_drive at $drive (build the tests)" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT

display=""
for n in $(seq 150 199); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x640x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  sleep 0.5
  if kill -0 "${pids[-1]}" 2>/dev/null; then display=":$n"; break; fi
  unset 'pids[-1]'
done
[ -n "$display" ] || { echo "screenshot: no free X display" >&2; exit 1; }
export DISPLAY=$display

HOME="$work" openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 0.5

# A copy of the program in the temporary folder keeps its settings file there.
cp "$program" "$work/torvel"
QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 HOME="$work" "$work/torvel" >"$work/torvel.log" 2>&1 &
pids+=($!)

window=""
for _ in $(seq 1 100); do
  window=$(xwininfo -root -tree 2>/dev/null | awk '/"Torvel Ver/ && !found {print $1; found = 1}' || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "screenshot: the window did not appear" >&2; cat "$work/torvel.log" >&2; exit 1; }
sleep 1  # let the window manager draw the frame and the program paint

if [ -n "$synthesis" ]; then
  title="Torvel Ver"
  # Enter steps from C1 through C2 and R1-R6 to the type buttons, Down three times is TZF (Wo<Wn), Tab
  # goes on to H; Enter through fo, Q and fn to the resistor series, Tab past the capacitor series and
  # the impedance to 回路定数算出, and once more to 伝達関数算出.
  "$drive" keys "$title" Return Return Return Return Return Return Return Return Down Down Down Tab \
    text:1 Return text:1k Return text:2 Return text:2k Return Tab Tab Tab space Tab space
  sleep 1
fi

# The window manager reparents the window into its frame; grab the frame to get the title bar.
frame=$(xwininfo -children -id "$window" | awk '/Parent window id/ {print $4}')
root_id=$(xwininfo -root | awk '/Window id/ {print $4}')
[ -n "$frame" ] && [ "$frame" != "$root_id" ] && [ "$frame" != "0x0" ] || frame=$window

mkdir -p "$(dirname "$out")"
xwd -silent -id "$frame" | xwdtopnm 2>/dev/null | pnmtopng -compression 9 >"$out"
echo "screenshot: $out"
