#!/usr/bin/env bash
# Sets up, builds and starts the program (on the simulated board unless a real
# one is connected). Extra arguments go to the program.
# Without a display it says so, renders every window into build/render/,
# shows the simulated board from the command line, and ends.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
bin="$here/build/bin"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/cv5320-eval" "$@"
fi

echo "No display: the windows cannot be shown here. Rendering each of them into build/render/:"
"$bin/cv5320-eval" --render "$here/build/render" "$@"
echo
echo "The simulated board, from the command line (cv5320ctl --board sim info):"
"$bin/cv5320ctl" --board sim info
echo
echo "Two seconds of conversion results (cv5320ctl --board sim stream --seconds 2):"
"$bin/cv5320ctl" --board sim stream --seconds 2
echo
echo "Open the PNGs above with an image viewer, or run scripts/run.sh where a display is available."
