#!/usr/bin/env bash
# Installs what is missing, builds what the package holds (not the tests) and packs the Debian
# package vesk_VERSION_ARCH.deb into DIR (default: build/).
set -euo pipefail
out=$(realpath -m "${1:-$(dirname "$0")/../build}") # DIR as given, from where it is run
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh vesk-apps vesk-man-pages vesk-package-docs
# build.sh configured build/, and with it CPack's settings (CPackConfig.cmake).
cpack -G DEB --config build/CPackConfig.cmake -B "$out"
rm -rf "$out/_CPack_Packages"
ls -l "$out"/vesk_*.deb
