#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test the project.
# Quick and idempotent: apt runs only when a package is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libpng-dev
  binutils
  # Property dialogs: GTK 3 and its icons and fonts; the GUI test's X server,
  # input and screenshots.
  libgtk-3-dev libx11-dev adwaita-icon-theme fonts-dejavu-core
  xvfb xauth xdotool imagemagick
)
# The 64-bit ARM cross build and its tests under emulation: the cross
# compiler, qemu-user, GoogleTest's sources (built for the target) and the
# target's libpng from Debian's arm64 architecture.
packages+=(g++-aarch64-linux-gnu qemu-user googletest libpng-dev:arm64)
# Optional peers for the benchmarks: ORV_WITH_PEERS=1 scripts/setup.sh
if [[ "${ORV_WITH_PEERS:-0}" == 1 ]]; then
  packages+=(libopencv-dev libyuv-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
  if ! dpkg --print-foreign-architectures | grep -qx arm64; then $SUDO dpkg --add-architecture arm64; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
