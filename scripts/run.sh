#!/usr/bin/env bash
# Installs what is missing, builds Torvel and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTORVEL_BUILD_TESTS=OFF -DTORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build" --target torvel torvel-cli
exec "$root/build/src/shell/torvel" "$@"
