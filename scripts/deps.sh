#!/usr/bin/env bash
# Installs, from Debian 12's packages, whatever the build, the program and the
# tests need and the machine does not have yet; with --fuzz also what the
# fuzz targets need. Run as root, or with sudo; when nothing is missing any
# user may run it.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6multimedia6 libgl1-mesa-dev
  gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
  fonts-liberation fonts-liberation2 breeze-icon-theme hicolor-icon-theme
  sox libsox-fmt-mp3 lame bc poppler-utils python3 qt6-translations-l10n libqt6svg6
  xvfb xauth dbus-daemon
  libarchive-dev libssl-dev
  libical-dev python3-icalendar python3-vobject
  libqt6sql6-sqlite qtkeychain-qt6-dev radicale xandikos vdirsyncer
)
# The fuzz targets of the test command: clang with libFuzzer and its sanitizers;
# and the layout check of the sources.
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang-14 libclang-rt-14-dev libfuzzer-14-dev clang-format-14)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run the command as root, or with sudo, to install them." >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
