#!/usr/bin/env bash
# Runs a command on a private X server with a window manager, as a user's desktop has one: Xvfb on the
# first free display from 120 on, openbox on it, DISPLAY and QT_QPA_PLATFORM=xcb for the command. Both are
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

display=""
for n in $(seq 120 199); do
  # Another run may take the same number at the same moment: Xvfb then fails to start, and the next is tried.
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    kill -0 "${pids[-1]}" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "${pids[-1]}" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
  unset 'pids[-1]'
done
[ -n "$display" ] || { echo "with_window_manager: no free X display" >&2; exit 1; }
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
