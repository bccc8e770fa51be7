#!/usr/bin/env bash
# Runs a command on a private X server with a window manager, as a user's desktop has one: Xvfb on a
# free display of its own choosing, openbox on it, DISPLAY and QT_QPA_PLATFORM=xcb for the command. Both are
# stopped when the command ends; the command's exit status is this script's.
#
#   with_window_manager.sh COMMAND [ARGS...]
#
# Each run has its own server, so tests that use it may run in parallel and alone.
set -euo pipefail
for tool in Xvfb openbox; do
  command -v "$tool" >/dev/null || { echo "with_window_manager: $tool is missing; run scripts/install-deps.sh" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display number itself and writes it to the pipe (-displayfd): two runs starting at the
# same moment can never both take one number and then stop each other's server.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
display=""
read -r -t 20 number <"$work/display" && display=":$number"
[ -n "$display" ] || { echo "with_window_manager: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=$display

HOME="$work" openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
# openbox announces itself on the root window once it manages the screen.
for _ in $(seq 1 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

export QT_QPA_PLATFORM=xcb
"$@" &
pids+=($!)
status=0
wait "${pids[-1]}" || status=$?
unset 'pids[-1]'
exit "$status"
