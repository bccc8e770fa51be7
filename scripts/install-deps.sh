#!/usr/bin/env bash
# Installs every Debian 12 package that building, running and testing Torvel needs.
# Idempotent and non-interactive: packages already present are left alone, and apt is
# only asked when something is missing.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config
  # dpkg-shlibdeps, which names the libraries the .deb depends on
  dpkg-dev
  # the window: Widgets, PrintSupport and Test all ship in qt6-base-dev
  qt6-base-dev libgl-dev qt6-qpa-plugins
  # the X client library, to read the frame a window manager draws around a message box
  libxcb1-dev
  # Qt's own Japanese texts (print, file and colour dialogs, standard buttons)
  qt6-translations-l10n
  # the response window: charts, and SVG export of them
  qt6-charts-dev qt6-svg-dev libqt6opengl6-dev
  # a Japanese fixed-pitch font metric-compatible with the window's font
  fonts-ipafont-gothic
  # command-line parsing and JSON for torvel-cli
  libcli11-dev nlohmann-json3-dev
  # unit tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # clang and its libFuzzer runtime for the fuzz targets
  clang libclang-rt-14-dev
  # pdftoppm, to measure printed pages in the print tests
  poppler-utils
  # a real print queue (CUPS with a PDF printer) for one end-to-end print test
  cups printer-driver-cups-pdf
  # a circuit simulator that checks the exported netlists against the library's response
  ngspice
  # SciPy for Debian's python3: reference filter designs for the approximation tests
  python3-scipy
  # a real X server for window tests and screenshots
  xvfb xauth x11-utils
  # the screenshot script: a small window manager to draw the title bar, xwd to grab the window,
  # and netpbm to turn the grab into a PNG
  openbox x11-apps netpbm
  # /usr/bin/time, for the peak memory of the start-up benchmark
  time
  # a minimal Debian 12 to install the .deb into, to show that its dependencies suffice
  debootstrap
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "install-deps: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "install-deps: everything is installed"
fi
