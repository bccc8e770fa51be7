#!/usr/bin/env bash
# The real program on a desktop with a window manager: after a synthesis and with the response window
# open, quitting by Ctrl+Q, by the close box and by the quit button must end the process with status 0,
# its settings file written. Prints how long each took from the quit to the end of the process.
#
#   quit_program_test.sh PROGRAM X_DRIVE     (run through with_window_manager.sh)
set -euo pipefail
program=$1
drive=$2
main="Torvel Ver"
response="周波数特性"

run_once() {
  local path=$1 work pid started ended status
  work=$(mktemp -d)
  # A copy of the program keeps its settings file (named after the program, beside it) in the folder.
  cp "$program" "$work/torvel"
  HOME="$work" LC_ALL=C.UTF-8 "$work/torvel" >"$work/log" 2>&1 &
  pid=$!
  "$drive" wait "$main" 20 >/dev/null
  sleep 0.5
  # Focus starts in C1: Enter steps through C1, C2, R1-R6 to the type buttons, Tab to H; fo, Q, then
  # the series combos and the impedance to 回路定数算出.
  "$drive" keys "$main" Return Return Return Return Return Return Return Return Tab \
    text:1 Return text:1k Return text:2 Return Tab Tab Tab space
  "$drive" keys "$main" ctrl+r
  "$drive" wait "$response" 10 >/dev/null
  sleep 0.5
  case $path in
    key)
      # A toolkit takes the focus it is given a moment later (Qt waits out a focus change in passing).
      "$drive" activate "$main"; sleep 1
      started=$(date +%s%N); "$drive" keys "$main" ctrl+q ;;
    closebox)
      started=$(date +%s%N); "$drive" close "$main" ;;
    button)
      # The focus is on 回路定数算出, which was pressed: three tabs on is the quit button.
      "$drive" activate "$main"; sleep 1
      "$drive" keys "$main" Tab Tab Tab
      started=$(date +%s%N); "$drive" keys "$main" space ;;
  esac
  status=0
  for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  if kill -0 "$pid" 2>/dev/null; then
    echo "FAIL quit by $path: the process is still running 5 s after the quit"
    "$drive" wait "$response" 0 >/dev/null 2>&1 && echo "     (the response window is still open)"
    kill "$pid"; wait "$pid" 2>/dev/null || true; rm -rf "$work"; return 1
  fi
  wait "$pid" || status=$?
  ended=$(date +%s%N)
  if [ "$status" -ne 0 ]; then echo "FAIL quit by $path: exit status $status"; cat "$work/log"; rm -rf "$work"; return 1; fi
  if ! iconv -f UTF-16 -t UTF-8 "$work/torvel.ini" 2>/dev/null | grep -q '^E1='; then
    echo "FAIL quit by $path: the settings file was not written"; rm -rf "$work"; return 1
  fi
  echo "PASS quit by $path with the response window open: process ended $(( (ended - started) / 1000000 )) ms after the quit"
  rm -rf "$work"
}

failed=0
passed=0
for path in key closebox button; do
  if run_once "$path"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
