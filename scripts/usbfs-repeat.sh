#!/usr/bin/env bash
# Runs the mock USB bus RUNS times in a row (default 200), two jobs at once:
# usbfs-board with a board that refuses its 55th request under a stream, and
# the usbfs tests. Stops at the first run that fails and shows what it said.
#   scripts/usbfs-repeat.sh [RUNS]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-200}"
bin="$here/build/bin"
tests="$here/build/tests/test_usbfs"
for f in "$bin/usbfs-board" "$bin/cv5320ctl" "$tests"; do
  [ -x "$f" ] || { echo "usbfs-repeat: $f is not built" >&2; exit 2; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

board_run() {
  local n=$1 out="$work/board-$1"
  # Refused at its 55th request: the fatal path, exit status 1, and no other message.
  if "$bin/usbfs-board" --fail stall:55 -- cv5320ctl --board usb stream --seconds 2 \
      --out "$work/results-$n.txt" >"$out" 2>&1; then
    echo "run $n: usbfs-board ended well, though the board refuses its 55th request" >>"$out"
    return 1
  fi
  if ! head -n 1 "$out" | grep -q '^USB communication failed$'; then return 1; fi
  rm -f "$out" "$work/results-$n.txt"
}
tests_run() {
  local out="$work/tests-$1"
  QT_QPA_PLATFORM=offscreen "$tests" --gtest_brief=1 >"$out" 2>&1 && rm -f "$out"
}

for ((n = 1; n <= runs; n++)); do
  board_run "$n" &
  board=$!
  tests_run "$n" &
  suite=$!
  status=0
  wait "$board" || status=1
  wait "$suite" || status=1
  if [ "$status" -ne 0 ]; then
    echo "usbfs-repeat: run $n of $runs failed:" >&2
    cat "$work"/board-"$n" "$work"/tests-"$n" 2>/dev/null >&2 || true
    exit 1
  fi
  [ $((n % 20)) -ne 0 ] || echo "usbfs-repeat: $n of $runs runs passed"
done
echo "usbfs-repeat: all $runs runs passed, two jobs at once"
