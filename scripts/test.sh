#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: once as shipped (warnings are errors),
# once with AddressSanitizer and UndefinedBehaviorSanitizer. Window tests run on Qt's offscreen platform;
# the few that need a real X server get an Xvfb that this script starts and stops.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export LC_ALL=C.UTF-8

# A private X server for the tests that want a real window.
xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if command -v Xvfb >/dev/null; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 0.5
    if kill -0 "$xvfb_pid" 2>/dev/null; then export TORVEL_TEST_DISPLAY=":$n"; break; fi
    xvfb_pid=""
  done
fi

run_suite() {
  local dir=$1; shift
  echo "== build $dir"
  cmake -S "$root" -B "$dir" -G Ninja -DTORVEL_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== test $dir"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure
}

# Fuzz every target first (clang's libFuzzer with ASan+UBSan), so that the test suites' summaries close
# the output: a fixed seed and a fixed number of inputs per target, so that a commit that passed passes
# again. Longer campaigns with fresh seeds: scripts/fuzz.sh SECONDS.
"$root/scripts/fuzz.sh" --ci

run_suite "$root/build-ci" -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The shipped build once more as a Debian package, installed and started in a minimal Debian 12.
"$root/scripts/test-package.sh" "$root/build-ci" --fresh-root
# The leak check stays on for everything of ours; tests/lsan.supp names the system libraries whose own
# leaks are not ours to fix, each with its reason.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0 \
  run_suite "$root/build-ci-asan" -DCMAKE_BUILD_TYPE=Debug -DTORVEL_SANITIZE=ON -DTORVEL_BUILD_BENCH=OFF
