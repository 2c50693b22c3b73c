#!/usr/bin/env bash
# Each program's --help names the options of its README table, and no others.
CALIBRATOR=$1
INTERLACE=$2
README=$3
SIMULATE=$4
AUTOCAL=$5
source "$(dirname "$0")/lib.sh"

# The long options in the first column of the table under a heading.
table_options() {
  awk -v heading="$1" '$0 ~ "^## " {inside = index($0, heading) > 0} inside && /^\| `/' "$README" |
    cut -d'|' -f2 | grep -o -- '--[a-z-]*' | sort -u
}

# The long options a help text names at the start of its lines.
help_options() {
  grep -oE -- '^ +(-[a-z?](=[A-Z]+)?, ?)?--[a-z-]+' | grep -o -- '--[a-z-]*' | sort -u
}

check() {
  local program=$1 heading=$2 documented shown
  documented=$(table_options "$heading")
  [ -n "$documented" ] || fail "no option table under '$heading'"
  shown=$("$program" --help | help_options)
  [ "$documented" = "$shown" ] ||
    fail "$(basename "$program") --help and the README differ: $(diff <(echo "$documented") <(echo "$shown") | grep '^[<>]' | tr '\n' ' ')"
}

check "$CALIBRATOR" "Options"
check "$INTERLACE" "veltrane-interlace"
check "$SIMULATE" "veltrane-simulate"
check "$AUTOCAL" "veltrane-autocal"
echo "help_test: passed"
