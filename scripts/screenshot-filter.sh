#!/usr/bin/env bash
# Saves a picture of the filter design window, an elliptic low-pass designed from a mask, as
# docs/filter-window.png (or in the folder given as the first argument). The window test's screenshot
# step does the typing and the grab; this runs it on a private X server with a window manager, so the
# picture is the window as a desktop draws it.
#
#   scripts/screenshot-filter.sh [output-folder] [test-binary]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/docs}" && cd "${1:-$root/docs}" && pwd)
test_binary=${2:-$root/build/tests/shell/shell_filter_window_test}
for tool in Xvfb openbox; do
  command -v "$tool" >/dev/null || { echo "screenshot-filter: $tool is missing; run scripts/install-deps.sh" >&2; exit 1; }
done
[ -x "$test_binary" ] || { echo "screenshot-filter: no test binary at $test_binary" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

display=""
for n in $(seq 150 199); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  sleep 0.5
  if kill -0 "${pids[-1]}" 2>/dev/null; then display=":$n"; break; fi
  unset 'pids[-1]'
done
[ -n "$display" ] || { echo "screenshot-filter: no free X display" >&2; exit 1; }
export DISPLAY=$display
HOME="$work" openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 0.5

QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 HOME="$work" XDG_CONFIG_HOME="$work" TORVEL_SCREENSHOT_DIR="$out" \
  "$test_binary" screenshot >"$work/test.log" 2>&1 || { cat "$work/test.log" >&2; exit 1; }
echo "screenshot-filter: $out/filter-window.png"
