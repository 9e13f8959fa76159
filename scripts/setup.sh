#!/usr/bin/env bash
# Installs what is missing (Debian packages) and builds into build/.
# umockdev puts an emulated board on a mock USB bus for the real-libusb tests
# and the usbfs-board tool.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
packages=(build-essential cmake ninja-build pkg-config ccache qt6-base-dev libusb-1.0-0-dev
          libgtest-dev libbenchmark-dev xvfb fonts-dejavu-core qt6-charts-dev libqcustomplot-dev
          qt6-multimedia-dev xdotool umockdev libumockdev-dev openbox x11-utils)
"$here/scripts/install-packages.sh" "${packages[@]}"
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j "$(nproc)"
