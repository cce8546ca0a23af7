#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test the project.
# Quick and idempotent: apt runs only when a package is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libpng-dev
  binutils
  # The fuzz targets: clang with libFuzzer and the sanitizer runtimes.
  clang-14 libclang-rt-14-dev
  # Property dialogs: GTK 3 and its icons and fonts, and what draws the icons
  # (SVG image loader, MIME database; apt leaves them out as recommendations);
  # the GUI test's X server, input and screenshots.
  libgtk-3-dev libx11-dev adwaita-icon-theme fonts-dejavu-core
  librsvg2-common libgdk-pixbuf2.0-bin shared-mime-info
  xvfb xauth xdotool imagemagick
  # GStreamer elements: the plug-in, its tests (check library, gst-launch-1.0)
  # and the peers they are compared with (videoflip, videocrop, bayer2rgb, RTP).
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  # The Python binding, its tests (OpenCV is their reference) and installing
  # it without a package index.
  pybind11-dev python3-dev python3-numpy python3-opencv python3-pytest python3-venv python3-pip
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
