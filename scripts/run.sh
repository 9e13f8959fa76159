#!/usr/bin/env bash
# Sets up, builds and starts the program (on the simulated board unless a
# real one is connected). Extra arguments go to the program.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a "$here/build/bin/cv5320-eval" "$@"
fi
exec "$here/build/bin/cv5320-eval" "$@"
