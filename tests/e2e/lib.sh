# Helpers of the real-window suite: a private Xvfb, the calibrator in it, and
# xdotool to drive it. Every process started here is ended on exit.
set -euo pipefail

E2E_TMP=$(mktemp -d)
E2E_PIDS=()

cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${E2E_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$E2E_TMP"
}
trap cleanup EXIT
# A command that fails outside a check ends the suite (set -e): say which.
set -E
trap 'status=$?; echo "FAIL: line $LINENO of ${BASH_SOURCE[0]##*/} (called from lines ${BASH_LINENO[*]}): \"$BASH_COMMAND\" exited with $status" >&2' ERR

fail() {
  echo "FAIL: $*" >&2
  if [ -s "$E2E_TMP/stderr" ]; then
    echo "--- the calibrator's standard error, last lines:" >&2
    tr '\r' '\n' <"$E2E_TMP/stderr" | tail -n 5 >&2
  fi
  if [ -s "$E2E_TMP/xvfb.log" ]; then
    echo "--- Xvfb's messages, last lines:" >&2
    tail -n 5 "$E2E_TMP/xvfb.log" >&2
  fi
  exit 1
}

# Starts Xvfb on a free display (a screen of 1600x1200, or the size given;
# XVFB_OPTIONS, more of its options) and exports DISPLAY. The number is drawn at
# random from a high range: a number that another suite has just given up
# could still lose its socket to that server's shutdown.
start_xvfb() {
  local size=${1:-1600x1200} attempt number pid i
  for attempt in 1 2 3 4 5; do
    number=$((100 + RANDOM % 800))
    [ -e "/tmp/.X${number}-lock" ] && continue
    # -noreset: without it the server resets when its last client leaves,
    # and a client starting just then is turned away. -r: no key repeat: on a
    # loaded machine xdotool can send a key's release long after its press,
    # and the repeats would reach whatever window is under the pointer next
    # (a program started after the one the key ended).
    # shellcheck disable=SC2086 # XVFB_OPTIONS: more of the server's options, split as words
    Xvfb ":$number" -screen 0 "${size}x24" -nolisten tcp -noreset -r ${XVFB_OPTIONS:-} 2>"$E2E_TMP/xvfb.log" &
    pid=$!
    for i in $(seq 100); do
      if xdpyinfo -display ":$number" >/dev/null 2>&1; then
        E2E_PIDS+=("$pid")
        export DISPLAY=":$number"
        return 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
}

# Runs a command and checks its exit status; its output goes to files.
expect_status() {
  local expected=$1; shift
  local status=0
  "$@" >"$E2E_TMP/out" 2>"$E2E_TMP/err" || status=$?
  [ "$status" -eq "$expected" ] || fail "'$*' exited with $status, expected $expected: $(head -c 300 "$E2E_TMP/err")"
}

# Every wait below is for a condition, given up to 30 s: on a loaded machine
# a window, a frame or an exit can take many times as long as on an idle one.
WAIT_ROUNDS=600 # of 0.05 s

# Runs a command until it succeeds; fails with the message after 30 s.
wait_until() {
  local what=$1 i
  shift
  for i in $(seq "$WAIT_ROUNDS"); do
    "$@" && return 0
    sleep 0.05
  done
  fail "$what"
}

# True when the window is mapped and viewable (it receives pointer events).
window_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }

# Prints the id of the window with exactly this name, once it is viewable.
wait_window() {
  local name=$1 id i
  for i in $(seq "$WAIT_ROUNDS"); do
    id=$(xdotool search --name "^${name}\$" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ] && window_viewable "$id"; then echo "$id"; return 0; fi
    sleep 0.05
  done
  fail "window '$name' did not appear"
}

# Starts the calibrator with the given options; its output goes to files.
# Returns once its window is viewable and its loop has written a parameter
# line: from then on, keys and pointer events reach it.
start_calibrator() {
  "$CALIBRATOR" "$@" >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr" &
  CALIBRATOR_PID=$!
  E2E_PIDS+=("$CALIBRATOR_PID")
  MAIN_WINDOW=$(wait_window "Veltrane calibration")
  wait_until "the calibrator's loop wrote no parameter line" has_parameter_line
}

has_parameter_line() { grep -q 'param:' "$E2E_TMP/stderr" 2>/dev/null; }

# The last parameter line written so far.
last_parameter_line() {
  tr '\r' '\n' <"$E2E_TMP/stderr" | grep '^param:' | tail -n 1
}

# Waits until the last parameter line equals the expected one.
expect_parameter_line() {
  local expected=$1 i
  for i in $(seq "$WAIT_ROUNDS"); do
    [ "$(last_parameter_line)" = "$expected" ] && return 0
    sleep 0.05
  done
  fail "parameter line is '$(last_parameter_line)', expected '$expected'"
}

key() { xdotool key --window "$MAIN_WINDOW" "$@" 2>/dev/null; sleep 0.1; }

# Sends a key that ends the program. The program may be gone before the
# key's release is sent (a loaded machine), which xdotool reports as a
# failure: that is one only if the window is still there.
end_key() {
  xdotool key --window "$MAIN_WINDOW" "$1" 2>/dev/null && return 0
  ! window_viewable "$MAIN_WINDOW" || fail "the key $1 did not reach the window"
}

# Clicks at (x, y) in the main window. The pointer first goes a few pixels
# away: a window that opened under a pointer at rest sees no move, and the
# calibrator knows which button is under the pointer only from its moves.
click_at() {
  xdotool mousemove --window "$MAIN_WINDOW" "$(($1 + 5))" "$(($2 + 5))"
  sleep 0.05
  xdotool mousemove --window "$MAIN_WINDOW" "$1" "$2" click 1
}

# Saves a screenshot of a window as PNG.
screenshot() { import -window "$1" "$2"; }

# Waits for the calibrator to end and checks its exit status.
expect_exit() {
  local expected=$1 what=$2 i status=0
  for i in $(seq "$WAIT_ROUNDS"); do
    kill -0 "$CALIBRATOR_PID" 2>/dev/null || break
    sleep 0.05
  done
  kill -0 "$CALIBRATOR_PID" 2>/dev/null && fail "$what: the calibrator is still running"
  wait "$CALIBRATOR_PID" || status=$?
  [ "$status" -eq "$expected" ] || fail "$what: calibrator exited with $status, expected $expected"
}

# Ends the calibrator with Escape and checks its exit status.
quit_with_escape() {
  end_key Escape
  expect_exit 0 "Escape"
}

# The calibrator's standard error ends with a newline: the last parameter
# line stays whole above the shell's prompt.
expect_final_newline() {
  [ "$(tail -c 2 "$E2E_TMP/stderr" | od -An -c | tr -d ' ')" = '\r\n' ] ||
    fail "$1: standard error does not end the last line: $(tail -c 20 "$E2E_TMP/stderr" | od -An -c)"
}

# Number of pixels in which two images differ.
pixel_difference() {
  compare -metric AE "$1" "$2" null: 2>&1 || true
}

# Takes screenshots of a region of the screen (WxH+X+Y) until one equals the
# expected PNG (the program may still be drawing); fails after 30 s.
expect_region() {
  local region=$1 expected=$2 what=$3 differing="" i
  for i in $(seq 120); do
    import -window root -crop "$region" +repage "$E2E_TMP/region.png"
    differing=$(pixel_difference "$E2E_TMP/region.png" "$expected")
    [ "$differing" = "0" ] && return 0
    sleep 0.25
  done
  mkdir -p /tmp/veltrane-e2e && cp "$E2E_TMP/region.png" "$expected" /tmp/veltrane-e2e/
  fail "$what: $differing pixels differ from $(basename "$expected") (kept in /tmp/veltrane-e2e)"
}

# Takes screenshots of a region until it differs from the PNG (the program
# has moved on from it); fails after 30 s.
expect_region_differs() {
  local region=$1 unexpected=$2 what=$3 i
  for i in $(seq 120); do
    import -window root -crop "$region" +repage "$E2E_TMP/region.png"
    [ "$(pixel_difference "$E2E_TMP/region.png" "$unexpected")" != "0" ] && return 0
    sleep 0.25
  done
  fail "$what: the region stayed $(basename "$unexpected")"
}

# Takes screenshots of a window until one equals the expected PNG (the
# program may still be drawing); fails after 30 s with the pixel count.
expect_screenshot() {
  local window=$1 shot=$2 expected=$3 differing="" i
  for i in $(seq 120); do
    screenshot "$window" "$shot"
    differing=$(pixel_difference "$shot" "$expected")
    [ "$differing" = "0" ] && return 0
    sleep 0.25
  done
  mkdir -p /tmp/veltrane-e2e && cp "$shot" "$expected" /tmp/veltrane-e2e/
  fail "$(basename "$shot"): $differing pixels differ from $(basename "$expected") (kept in /tmp/veltrane-e2e)"
}

# Starts Xorg with the dummy driver on a free display, as start_xvfb starts
# Xvfb (no key repeat either), its screen of the size given (WxH) split into
# the monitors given, each "NAME W/mmxH/mm+X+Y" as xrandr --setmonitor takes
# it, and exports DISPLAY. Needs root (a config of its own).
start_xorg() {
  local size=$1 width height attempt number pid i started="" output monitor name
  shift
  width=${size%x*}
  height=${size#*x}
  cat >"$E2E_TMP/xorg.conf" <<CONF
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam $(( (width * height * 4 / 1024 + 4095) / 4096 * 4096 + 16384 ))
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual $width $height
  EndSubSection
EndSection
CONF
  for attempt in 1 2 3 4 5; do
    number=$((100 + RANDOM % 800))
    [ -e "/tmp/.X${number}-lock" ] && continue
    Xorg ":$number" -config "$E2E_TMP/xorg.conf" -logfile "$E2E_TMP/xorg.log" -noreset -r -nolisten tcp \
      -novtswitch -sharevts >/dev/null 2>&1 &
    pid=$!
    for i in $(seq "$WAIT_ROUNDS"); do
      if xdpyinfo -display ":$number" >/dev/null 2>&1; then started=$pid; break; fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    [ -n "$started" ] && break
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  [ -n "$started" ] || fail "Xorg with the dummy driver did not start: $(tail -n 5 "$E2E_TMP/xorg.log" 2>/dev/null)"
  E2E_PIDS+=("$started")
  export DISPLAY=":$number"
  xrandr --fb "$size" >/dev/null
  output=$(xrandr --listmonitors | awk 'NR == 2 {print $NF}')
  for monitor in "$@"; do
    name=${monitor%% *}
    xrandr --setmonitor "$name" "${monitor#* }" "$output" >/dev/null
    output=none
  done
}

# The player's suites: sample views of 160x100 in pic/ and a quilt of 4 x 2
# of them, scene_qs4x2.png (view 0 at the bottom left), in the current folder.
make_sample_quilt() {
  local samples=$1
  "$samples" --dir=. --size=160x100 >/dev/null || fail "could not write the sample views"
  convert pic/blender_00000_{4,5,6,7}.jpg +append top.png
  convert pic/blender_00000_{0,1,2,3}.jpg +append bottom.png
  convert top.png bottom.png -append scene_qs4x2.png
}

# Starts $PLAY with these options (after $PLAY_OPTIONS) and waits for its window.
start_play() {
  # shellcheck disable=SC2086 # PLAY_OPTIONS: the suite's options of every start, split as words
  "$PLAY" ${PLAY_OPTIONS:-} "$@" >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr" &
  PLAY_PID=$!
  E2E_PIDS+=("$PLAY_PID")
  MAIN_WINDOW=$(wait_window "Veltrane play")
}

# Ends the player with a key; fails, with what, unless it exits 0.
end_play() {
  local key=$1 what=$2 status=0
  end_key "$key"
  wait "$PLAY_PID" || status=$?
  [ "$status" -eq 0 ] || fail "$what: exit status $status: $(cat "$E2E_TMP/stderr")"
}
