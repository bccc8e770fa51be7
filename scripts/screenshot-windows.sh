#!/usr/bin/env bash
# Saves pictures of the tool windows in docs/ (or in the folder given as the first argument): the filter
# design window with an elliptic low-pass designed from a mask (filter-window.png), and the response window
# of a TZF (Wo<Wn) section with a real op-amp, its magnitude and its noise tab (response.png,
# response-noise.png). The window tests' screenshot steps do the typing and the grabs; this runs them on a
# private X server with a window manager, so the pictures are the windows as a desktop draws them.
#
#   scripts/screenshot-windows.sh [output-folder] [build-folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/docs}" && cd "${1:-$root/docs}" && pwd)
build=${2:-$root/build}
tests=("$build/tests/shell/shell_filter_window_test" "$build/tests/shell/shell_opamp_controls_test")
for tool in Xvfb openbox; do
  command -v "$tool" >/dev/null || { echo "screenshot-windows: $tool is missing; run scripts/install-deps.sh" >&2; exit 1; }
done
for t in "${tests[@]}"; do
  [ -x "$t" ] || { echo "screenshot-windows: no test binary at $t" >&2; exit 1; }
done

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
[ -n "$display" ] || { echo "screenshot-windows: no free X display" >&2; exit 1; }
export DISPLAY=$display
HOME="$work" openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 0.5

for t in "${tests[@]}"; do
  QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 HOME="$work" XDG_CONFIG_HOME="$work" TORVEL_SCREENSHOT_DIR="$out" \
    "$t" screenshot >"$work/test.log" 2>&1 || { cat "$work/test.log" >&2; exit 1; }
done
echo "screenshot-windows: $out/filter-window.png $out/response.png $out/response-noise.png"
