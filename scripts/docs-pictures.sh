#!/usr/bin/env bash
# Refreshes the README's pictures of the main windows from the program's own
# --render (simulated board, no display needed). Run after changing a window.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="$here/build/bin"
[ -x "$bin/cv5320-eval" ] || "$here/scripts/setup.sh"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
"$bin/cv5320-eval" --render "$tmp" >/dev/null
mkdir -p "$here/docs"
for window in CV5320TopLevelFrm DiagramFrm RegCtrlFrm AdcFrm RRTabStageFrm EvalBoard3Frm EvalBoard3Frm-Slider SensorOverviewFrm; do
  cp "$tmp/$window.png" "$here/docs/$window.png"
  echo "docs/$window.png"
done
