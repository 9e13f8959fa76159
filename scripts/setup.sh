#!/usr/bin/env bash
# Installs what is missing (Debian packages) and builds into build/.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
packages=(build-essential cmake ninja-build pkg-config ccache qt6-base-dev libusb-1.0-0-dev
          libgtest-dev libbenchmark-dev xvfb fonts-dejavu-core qt6-charts-dev libqcustomplot-dev
          qt6-multimedia-dev xdotool)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""; [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j "$(nproc)"
