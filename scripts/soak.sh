#!/usr/bin/env bash
# Real-time soak of the evaluation program: runs the real cv5320-eval under a
# virtual X server with a window manager, on the simulated board with its
# built-in scenario, for MINUTES of wall-clock time (default 10) in each live
# configuration at once, and samples each one's anonymous memory (RssAnon)
# every 30 s. Fails when a configuration grows more than 256 KiB between
# minute 2 (histories are full or preallocated by then) and the end.
#   scripts/soak.sh [MINUTES]        e.g. scripts/soak.sh 60 for an hour
# SOAK_CONFIGS="main demo" picks configurations, SOAK_PROGRAM another build of
# the program (one beside the firmware file); the samples go to
# build/soak/CONFIG.log.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
minutes="${1:-10}"
if ! [[ "$minutes" =~ ^[0-9]+$ ]] || [ "$minutes" -lt 3 ]; then
  echo "usage: scripts/soak.sh [MINUTES]  (3 or more: growth counts from minute 2)" >&2
  exit 2
fi
bin="${SOAK_PROGRAM:-$here/build/bin/cv5320-eval}"
[ -x "$bin" ] || { echo "soak: $bin is not built (scripts/setup.sh builds it)" >&2; exit 2; }
limit_kib=256
interval=30
baseline_s=120
out="$here/build/soak"
mkdir -p "$out"

# Each live configuration: the buttons a user clicks, a second and a half apart.
declare -A clicks=(
  [main]=""                                                    # main window + Virtual Sensor Board
  [converter]="CmdOverview,CmdBlockDiagram,AdcCmd,ReadContCV5310Cmd" # converter streaming + overview
  [stage]="CmdBlockDiagram,RRStage0,ReadContCV5310Cmd"         # stage window reading
  [demo]="CmdDemo"                                             # demo tab + Virtual Sensor Board
)
read -r -a configs <<<"${SOAK_CONFIGS:-main converter stage demo}"

. "$here/scripts/lib/xsession.sh"
xsession_start
declare -A pids=()
soak_stop() {
  local c
  for c in "${!pids[@]}"; do kill "${pids[$c]}" 2>/dev/null || true; done
  for c in "${!pids[@]}"; do wait "${pids[$c]}" 2>/dev/null || true; done
  xsession_stop
}
trap soak_stop EXIT

rss_kib() { awk '/^RssAnon:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }

for c in "${configs[@]}"; do
  [ -n "${clicks[$c]+set}" ] || { echo "soak: unknown configuration $c" >&2; exit 2; }
  args=(--board sim)
  [ -z "${clicks[$c]}" ] || args+=(--click "${clicks[$c]}")
  "$bin" "${args[@]}" >"$out/$c.out" 2>&1 &
  pids[$c]=$!
  : >"$out/$c.log"
done
echo "soak: ${configs[*]} for $minutes min on $DISPLAY (samples in $out/)"

declare -A base=() last=()
start=$(date +%s)
end=$((start + minutes * 60))
failed=0
for ((t = 0; ; t += interval)); do
  now=$(date +%s)
  # In the background, so that an interrupt ends the soak at once.
  if [ $((start + t)) -gt "$now" ]; then sleep $((start + t - now)) & wait $!; fi
  for c in "${configs[@]}"; do
    kib="$(rss_kib "${pids[$c]}")"
    if [ -z "$kib" ]; then
      echo "soak FAILED: $c ended after $t s:" >&2
      tail -n 20 "$out/$c.out" >&2
      exit 1
    fi
    echo "$t $kib" >>"$out/$c.log"
    [ "$t" -ne "$baseline_s" ] || base[$c]=$kib
    last[$c]=$kib
  done
  [ $((start + t)) -lt "$end" ] || break
done

for c in "${configs[@]}"; do
  growth=$((last[$c] - base[$c]))
  if [ "$growth" -gt "$limit_kib" ]; then
    echo "soak FAILED: $c grew $growth KiB between minute 2 and minute $minutes" \
      "(${base[$c]} -> ${last[$c]} KiB RssAnon; limit $limit_kib KiB)" >&2
    failed=1
  else
    echo "soak ok: $c grew $growth KiB between minute 2 and minute $minutes" \
      "(${base[$c]} -> ${last[$c]} KiB RssAnon)"
  fi
done
exit $failed
