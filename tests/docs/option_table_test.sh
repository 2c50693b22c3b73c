#!/usr/bin/env bash
# The README's table of options is every program's --help, and the one
# convention holds in each: a value after '=' or a space, unknown options and
# -h refused in one line with status 2, --list-screens wherever --screen is.
set -euo pipefail
readme=$1
build_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$work"

# The table: the lines after the marker, as long as they are rows.
awk '/^<!-- option table -->$/ {on = 1; next} on && /^\|/ {print; seen = 1; next} on && seen && !/^\|/ {exit}
     on && !seen {next}' "$readme" >table
[ "$(wc -l <table)" -ge 8 ] || fail "the README has no option table after <!-- option table -->"
IFS='|' read -r -a header <table
programs=()
for cell in "${header[@]:2}"; do programs+=("$(echo "$cell" | xargs)"); done
[ "${#programs[@]}" -eq 6 ] || fail "the table has ${#programs[@]} program columns, not 6"

# A program's options in the table: every `-x` and `--name` of its column.
table_options() {
  local column=$(($1 + 3))
  tail -n +3 table | awk -F'|' -v c="$column" '{print $c}' | grep -oE '`-[-a-z?]+`' | tr -d '`' | sort -u
}
# And in its --help: the names at the start of an option's line.
help_options() {
  "$build_dir/$1" --help | grep -E '^  -' | sed -E 's/^  +//; s/  .*//; s/ [A-Z].*//; s/=[^ ,]*//g' |
    tr ',' '\n' | tr -d ' ' | grep -E '^-' | sort -u
}

passed=0
for i in "${!programs[@]}"; do
  program=${programs[$i]}
  [ -x "$build_dir/$program" ] || fail "no program $program in $build_dir"
  table_options "$i" >"table-$program"
  help_options "$program" >"help-$program"
  [ -s "help-$program" ] || fail "$program --help lists no option"
  diff "table-$program" "help-$program" >diff || fail "$program: the table (<) and --help (>) differ: $(tr '\n' ' ' <diff)"

  status=0; "$build_dir/$program" --no-such-option >out 2>err || status=$?
  [ "$status" -eq 2 ] && [ ! -s out ] && [ "$(wc -l <err)" -eq 1 ] || fail "$program: an unknown option gave status $status: $(cat err)"
  grep -q -- '--no-such-option' err || fail "$program: the refusal does not name the option: $(cat err)"
  if [ "$program" != veltrane-calibrator ]; then
    status=0; "$build_dir/$program" -h >out 2>err || status=$?
    [ "$status" -eq 2 ] && [ "$(wc -l <err)" -eq 1 ] && grep -q -- '--help' err ||
      fail "$program: -h gave status $status: $(cat err)"
  fi
  grep -qx -- --screen "help-$program" && { grep -qx -- --list-screens "help-$program" || fail "$program has --screen without --list-screens"; }
  # A value after '=' and after a space is the same value: the same refusal of a bad size.
  if grep -qx -- --size "help-$program"; then
    status=0; "$build_dir/$program" --size=3 >eq 2>&1 || status=$?
    [ "$status" -eq 2 ] || fail "$program --size=3 gave status $status: $(cat eq)"
    status=0; "$build_dir/$program" --size 3 >space 2>&1 || status=$?
    [ "$status" -eq 2 ] && cmp -s eq space || fail "$program: --size 3 is not --size=3: $(cat space) / $(cat eq)"
  fi
  passed=$((passed + 1))
done
# The calibrator's own reading: a value after a space is the value after '='.
status=0; "$build_dir/veltrane-calibrator" -w 100 --size 800x600 >out 2>err || status=$?
[ "$status" -eq 2 ] && grep -q -- "--size and -w/-h both give the size" err || fail "-w 100 was not read: $(cat err)"
status=0; "$build_dir/veltrane-calibrator" --param "-x 6 -y 1152 -pitch 1" >out 2>err || status=$?
[ "$status" -eq 2 ] && grep -q "pitch to start from is 1.0000" err || fail "--param LINE was not read: $(cat err)"
status=0; "$build_dir/veltrane-calibrator" --from="-x 6 -y 1152 -pitch 8" --param="-x 6 -y 1152 -pitch 8" >out 2>err || status=$?
[ "$status" -eq 2 ] && grep -q "give it once" err || fail "--from and --param together: $(cat err)"
echo "option table: $passed passed, 0 failed"
