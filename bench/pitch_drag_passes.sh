#!/usr/bin/env bash
# The calibrator's passes during a held pitch drag, measured from outside:
# the real binary in a WIDTHxHEIGHT window under Xvfb, the pointer held down
# on the drag area, and perf's probes on the calibrator's pass and pitch-frame
# functions for SECONDS. Prints passes a second, the mean and median pass
# time and the mean time of the pitch frame (its rebuild and copy).
#
#   bench/pitch_drag_passes.sh build/veltrane-calibrator [3840x2160] [SECONDS]
#
# Needs Xvfb, xdotool and perf (Debian's linux-perf), and root for the probes.
# Not part of `make test`: a measurement, run by hand.
set -euo pipefail
CALIBRATOR=$(readlink -f "$1")
SIZE=${2:-3840x2160}
SECONDS_HELD=${3:-5}
WIDTH=${SIZE%x*}
HEIGHT=${SIZE#*x}
WORK=$(mktemp -d)
PIDS=()
PROBES=()

cleanup() {
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for probe in "${PROBES[@]}"; do perf probe -q -d "$probe" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT

probe() {
  local name=$1 where=$2
  perf probe -q -d "dragpasses:$name*" >/dev/null 2>&1 || true
  perf probe -q -x "$CALIBRATOR" -a "dragpasses:$name=$where" >/dev/null
  case $where in *%return) name="${name}__return" ;; esac # perf's name for a return probe
  PROBES+=("dragpasses:$name")
}
probe pass runPass
probe frame drawPitchFrame
probe frameEnd 'drawPitchFrame%return'
EVENTS=$(printf -- '-e %s ' "${PROBES[@]}")

DISPLAY_NUMBER=$((100 + RANDOM % 800))
Xvfb ":$DISPLAY_NUMBER" -screen 0 "${SIZE}x24" -nolisten tcp -noreset 2>/dev/null &
PIDS+=("$!")
export DISPLAY=":$DISPLAY_NUMBER"
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done

"$CALIBRATOR" --width="$WIDTH" --height="$HEIGHT" >/dev/null 2>&1 &
CALIBRATOR_PID=$!
PIDS+=("$CALIBRATOR_PID")
WINDOW=""
for _ in $(seq 200); do
  WINDOW=$(xdotool search --name '^Veltrane calibration$' 2>/dev/null | head -n 1 || true)
  [ -n "$WINDOW" ] && break
  sleep 0.05
done
[ -n "$WINDOW" ] || { echo "the calibrator's window did not appear" >&2; exit 1; }

# The "pitch" button (the second of the bar) once the first frame is shown,
# then the pointer held down on the middle of the drag area.
sleep 2
BAR=$(( (WIDTH * 200 / 1000 + 1) / 2 ))
BUTTON=$(( 149 * BAR / 100 ))
xdotool mousemove --window "$WINDOW" $((BUTTON * 3 / 2)) $((BAR / 2)) click 1
sleep 1
xdotool mousemove --window "$WINDOW" $((WIDTH / 2)) $((HEIGHT / 2)) mousedown 1
sleep 1
# shellcheck disable=SC2086
perf record -q -o "$WORK/perf.data" $EVENTS -p "$CALIBRATOR_PID" -- sleep "$SECONDS_HELD" >/dev/null 2>&1
xdotool mouseup 1

perf script -i "$WORK/perf.data" -F time,event 2>/dev/null | tr -d ':' >"$WORK/events"
# Pass intervals, sorted, for the median.
awk '$2 ~ /pass$/ { if (last) print $1 - last; last = $1 }' "$WORK/events" | sort -g >"$WORK/passes"
PASSES=$(wc -l <"$WORK/passes")
[ "$PASSES" -gt 0 ] || { echo "no passes recorded" >&2; exit 1; }
MEDIAN=$(sed -n "$(( (PASSES + 1) / 2 ))p" "$WORK/passes")
awk -v median="$MEDIAN" -v n="$PASSES" '
  $2 ~ /pass$/ { if (last) sum += $1 - last; last = $1 }
  $2 ~ /frame$/ { start = $1 }
  $2 ~ /frameEnd__return$/ && start { frames += $1 - start; f++ }
  END {
    printf "%d passes, %.1f a second; pass %.1f ms mean, %.1f ms median; pitch frame %.1f ms mean\n",
      n, n / sum, 1000 * sum / n, 1000 * median, f ? 1000 * frames / f : 0
  }' "$WORK/events"
