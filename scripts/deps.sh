#!/usr/bin/env bash
# Installs the Debian packages that Vesk needs to build, run and test, when they are missing.
set -euo pipefail

packages=(
    cmake ninja-build g++
    qt6-base-dev qt6-serialport-dev qt6-qpa-plugins
    libgtest-dev
    binutils-h8300-hms gcc-h8300-hms
    fonts-ipafont-gothic
    xvfb xauth
    x11-utils dbus at-spi2-core python3-pyatspi desktop-file-utils
    help2man dpkg-dev file lintian appstream
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
