#!/usr/bin/env bash
# Builds the .deb from a build folder and proves it: the package holds the two programs, the desktop
# entry and the icon; apt resolves its dependencies and installs it; the installed window starts and
# paints (offscreen) and the installed torvel-cli designs a filter; then the package is removed again.
#
#   scripts/test-package.sh BUILD_DIR                 install on this machine (root only; else contents only)
#   scripts/test-package.sh BUILD_DIR --fresh-root    install into a minimal Debian 12 made by debootstrap,
#                                                     which shows that the declared dependencies suffice
set -euo pipefail
build=$(cd "${1:?usage: test-package.sh BUILD_DIR [--fresh-root]}" && pwd)
mode=${2:-host}

(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/torvel_*.deb | head -n 1)
echo "== package $(basename "$deb")"

contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/torvel ./usr/bin/torvel-cli ./usr/share/applications/torvel.desktop \
         ./usr/share/icons/hicolor/scalable/apps/torvel.svg; do
  grep -q " $f\$" <<<"$contents" || { echo "missing from the package: $f" >&2; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6printsupport6 libqt6charts6 libqt6svg6 qt6-qpa-plugins fonts-ipafont-gothic; do
  grep -q "$d" <<<"$depends" || { echo "the package does not depend on $d: $depends" >&2; exit 1; }
done

if [ "$(id -u)" != 0 ]; then
  echo "not root: package contents checked, installation skipped"
  exit 0
fi

# The checks run inside the target system: a program that starts, paints once and quits, and a
# synthesis whose capacitor text is known.
check_installed='
set -e
out=$(torvel-cli synth --H 1 --fo 1k --Q 0.7071 --json)
echo "$out" | grep -q "\"C1\":{\"text\":\" 33.0000n\"" || { echo "unexpected synthesis: $out" >&2; exit 1; }
report=$(cd /tmp && QT_QPA_PLATFORM=offscreen TORVEL_REPORT_STARTUP=1 timeout 60 torvel 2>&1 >/dev/null)
echo "$report" | grep -q "^torvel-startup shown-at-ns=" || { echo "the window did not start: $report" >&2; exit 1; }
echo "installed programs: synthesis and start-up fine"
'

# A minimal Debian 12 beside this one (debootstrap comes with scripts/install-deps.sh). Only failing to
# make it (no network, no debootstrap) sends the test back to this machine; a package that does not
# install or start there fails it.
make_fresh_root() {
  command -v debootstrap >/dev/null || return 1
  fresh=$(mktemp -d /tmp/torvel-fresh.XXXXXX)
  trap remove_fresh_root EXIT
  echo "== debootstrap a minimal Debian 12 into $fresh"
  debootstrap --variant=minbase bookworm "$fresh" http://deb.debian.org/debian >/dev/null
}
remove_fresh_root() {
  [ -n "${fresh:-}" ] || return 0
  if mountpoint -q "$fresh/proc"; then umount "$fresh/proc" || return 0; fi  # never delete under a live /proc
  rm -rf "$fresh"
}

if [ "$mode" = --fresh-root ]; then
  if make_fresh_root; then
    mount -t proc proc "$fresh/proc"
    cp "$deb" "$fresh/tmp/torvel.deb"
    chroot "$fresh" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q /tmp/torvel.deb >/dev/null
    chroot "$fresh" env LC_ALL=C.UTF-8 bash -c "$check_installed"
    exit 0
  fi
  remove_fresh_root
  trap - EXIT
  echo "no minimal Debian 12 could be made here; installing on this machine instead" >&2
fi

installed_before=$(dpkg-query -W -f='${Status}' torvel 2>/dev/null || true)
case "$installed_before" in *"ok installed"*)
  echo "a torvel package is already installed here; leaving it alone" >&2; exit 1;;
esac
trap 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -q torvel >/dev/null 2>&1 || true' EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >/dev/null
[ "$(command -v torvel)" = /usr/bin/torvel ] || { echo "torvel is not /usr/bin/torvel" >&2; exit 1; }
bash -c "$check_installed"
