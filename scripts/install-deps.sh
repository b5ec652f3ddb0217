#!/usr/bin/env bash
# Installs the Debian packages Velmora needs to build and test, and nothing
# else: only the ones that are missing, so a second run is quick and quiet.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  libwebkitgtk-6.0-dev libgtk-4-dev libsoup-3.0-dev
  libboost-url1.81-dev libboost-json1.81-dev
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  xvfb xauth dbus dbus-x11 x11-utils xdotool imagemagick curl openbox
  desktop-file-utils appstream dpkg-dev
  weston poppler-utils at-spi2-core python3-gi gir1.2-atspi-2.0
)
# `install-deps.sh bench`: what the benchmarks compare against and time with.
if [ "${1:-}" = bench ]; then
  packages+=(python3 libbenchmark-dev chromium libwebkitgtk-6.0-4)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "deps: everything is installed"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "deps: run as root or install sudo" >&2; exit 1; }
  sudo="sudo"
fi

echo "deps: installing ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
