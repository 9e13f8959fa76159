# shellcheck shell=bash
# Sourced by scripts that need a real X desktop: a virtual X server on a
# display nobody uses, with a window manager, both ended when the script
# exits. Usage:
#   . scripts/lib/xsession.sh
#   xsession_start          # exports DISPLAY; fails with a message
#   ... run programs ...
# Needs Xvfb (xvfb), openbox and xdpyinfo (x11-utils).

xsession_pids=()

xsession_stop() {
  local pid
  for pid in "${xsession_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${xsession_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  xsession_pids=()
  if [ -n "${xsession_dir:-}" ]; then rm -rf "$xsession_dir"; fi
}

xsession_start() {
  local tool
  for tool in Xvfb openbox xdpyinfo; do
    if ! command -v "$tool" >/dev/null; then
      echo "xsession: $tool is not installed (scripts/setup.sh installs it)" >&2
      return 1
    fi
  done
  xsession_dir="$(mktemp -d)"
  # Programs on this desktop keep their runtime files here, not in /tmp.
  mkdir -m 700 "$xsession_dir/runtime"
  export XDG_RUNTIME_DIR="$xsession_dir/runtime"
  trap xsession_stop EXIT
  trap 'exit 130' INT TERM
  # The server picks a free display itself and writes its number: no race
  # with another server starting at the same time.
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$xsession_dir/display" \
    >"$xsession_dir/xvfb.log" 2>&1 &
  xsession_pids+=($!)
  for _ in $(seq 100); do
    if [ -s "$xsession_dir/display" ]; then break; fi
    sleep 0.1
  done
  if [ ! -s "$xsession_dir/display" ]; then
    echo "xsession: the X server did not start:" >&2
    cat "$xsession_dir/xvfb.log" >&2
    return 1
  fi
  DISPLAY=":$(tr -d '[:space:]' <"$xsession_dir/display")"
  export DISPLAY
  for _ in $(seq 100); do
    if xdpyinfo >/dev/null 2>&1; then break; fi
    sleep 0.1
  done
  openbox --sm-disable >"$xsession_dir/openbox.log" 2>&1 &
  xsession_pids+=($!)
  # The window manager has taken over once the root window names it.
  for _ in $(seq 100); do
    if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then return 0; fi
    sleep 0.1
  done
  echo "xsession: the window manager did not start on $DISPLAY:" >&2
  cat "$xsession_dir/openbox.log" >&2
  return 1
}
