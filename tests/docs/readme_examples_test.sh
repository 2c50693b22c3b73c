#!/usr/bin/env bash
# Every example the README and the programs' pages mark is run as written,
# in the order a reader meets them, in one fresh folder whose build/ is the
# build: each example's inputs are what an earlier one made. A block marked
# <!-- example --> is run by bash -e; one marked <!-- example: window -->
# holds one command that opens a window: it is started, its window waited
# for, Escape pressed in it, and it must end with status 0. The display is
# Xorg's dummy driver split into two monitors, 0 eDP-1 1280x800 and 1 HDMI-1
# 1920x1080, with openbox, as a laptop with a lens monitor beside it.
# Exits 77 (skipped) where no Xorg can be started (not root).
set -euo pipefail
source_dir=$1
build_dir=$2
source "$(dirname "$0")/../e2e/lib.sh"

[ "$(id -u)" -eq 0 ] || { echo "readme_examples_test: skipped: Xorg with a config of its own needs root"; exit 77; }

pages=(README.md docs/veltrane-calibrator.md docs/veltrane-sample-views.md docs/veltrane-interlace.md
       docs/veltrane-play.md docs/veltrane-simulate.md docs/veltrane-autocal.md docs/engine.md)

# Writes the marked blocks as numbered files: NNN.sh or NNN.window, a first
# line saying where each came from.
extract() {
  local page
  for page in "${pages[@]}"; do
    [ -f "$source_dir/$page" ] || fail "$page is missing"
    awk -v page="$page" -v out="$E2E_TMP/examples" -v start="$(find "$E2E_TMP/examples" -type f | wc -l)" '
      /^<!-- example(: window)? -->$/ { kind = ($0 ~ /window/) ? "window" : "sh"; marked = NR; next }
      marked && /^```sh$/ && !inside { inside = 1; n++; file = sprintf("%s/%03d.%s", out, start + n, kind);
                                       print "# " page ", line " NR > file; next }
      inside && /^```$/ { inside = 0; marked = 0; close(file); next }
      inside { print > file; next }
      marked && NR > marked { printf "FAIL: %s line %d: a marked example is not a ```sh block\n", page, marked > "/dev/stderr"; exit 1 }
    ' "$source_dir/$page"
  done
}

mkdir "$E2E_TMP/examples"
extract
examples=$(find "$E2E_TMP/examples" -type f | wc -l)
windows=$(find "$E2E_TMP/examples" -name '*.window' | wc -l)
[ "$examples" -ge 12 ] || fail "only $examples marked examples found"
[ "$windows" -ge 2 ] || fail "only $windows window examples found"

start_xorg 3200x1080 "eDP-1 1280/286x800/179+0+0" "HDMI-1 1920/527x1080/296+1280+0"
openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
E2E_PIDS+=("$!")
wait_until "openbox did not start" bash -c "xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'"

work="$E2E_TMP/reader"
mkdir "$work"
ln -s "$build_dir" "$work/build"

# The first viewable window of the process, by the PID Qt puts on it.
window_of() {
  local pid=$1 id
  for id in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
    window_viewable "$id" && { echo "$id"; return 0; }
  done
  return 1
}

run_window() {
  local file=$1 where=$2 command pid id="" i status=0
  command=$(grep -v '^#' "$file" | grep -v '^[[:space:]]*$')
  [ "$(printf '%s\n' "$command" | wc -l)" -eq 1 ] || fail "$where: a window example holds one command"
  (cd "$work" && exec bash -c "exec $command") >"$E2E_TMP/out" 2>"$E2E_TMP/err" &
  pid=$!
  E2E_PIDS+=("$pid")
  for i in $(seq "$WAIT_ROUNDS"); do
    id=$(window_of "$pid") && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  [ -n "$id" ] || { wait "$pid" || status=$?; fail "$where: no window ($status): $(tr '\r' '\n' <"$E2E_TMP/err" | tail -n 3)"; }
  xdotool key --window "$id" Escape 2>/dev/null || ! window_viewable "$id" || fail "$where: Escape did not reach it"
  for i in $(seq "$WAIT_ROUNDS"); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  kill -0 "$pid" 2>/dev/null && fail "$where: Escape did not end it"
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || fail "$where: ended with $status: $(tr '\r' '\n' <"$E2E_TMP/err" | tail -n 3)"
}

passed=0
for file in $(find "$E2E_TMP/examples" -type f | sort); do
  where=$(head -n 1 "$file" | cut -c 3-)
  case $file in
    *.window) run_window "$file" "$where" ;;
    *) (cd "$work" && bash -e -o pipefail "$file") >"$E2E_TMP/out" 2>"$E2E_TMP/err" ||
         fail "$where: exited with $?: $(tail -n 3 "$E2E_TMP/err")" ;;
  esac
  passed=$((passed + 1))
done
echo "readme examples: $passed passed, 0 failed"
