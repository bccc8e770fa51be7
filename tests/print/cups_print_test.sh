#!/usr/bin/env bash
# Prints through a real CUPS queue: starts cupsd (it listens on loopback and its local socket only) if it
# is not running, adds a cups-pdf queue, and runs the print test against it.
# Usage: cups_print_test.sh PRINT_TEST_BINARY
set -euo pipefail
binary=$1
queue=TorvelTestPDF
command -v cupsd >/dev/null || { echo "cupsd is not installed (scripts/install-deps.sh installs it)"; exit 1; }
if ! lpstat -r 2>/dev/null | grep -q "is running"; then
  cupsd
  for _ in $(seq 1 50); do lpstat -r 2>/dev/null | grep -q "is running" && break; sleep 0.2; done
fi
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
lpstat -p "$queue" >/dev/null 2>&1 || lpadmin -p "$queue" -v cups-pdf:/ -P "$ppd" -E 2>/dev/null
cupsenable "$queue"; cupsaccept "$queue"
# cups-pdf writes to ${HOME}/PDF of the job's owner.
output=$(getent passwd "$(id -un)" | cut -d: -f6)/PDF
mkdir -p "$output"
TORVEL_CUPS_PRINTER=$queue TORVEL_CUPS_OUTPUT=$output exec "$binary" printsThroughARealCupsQueue
