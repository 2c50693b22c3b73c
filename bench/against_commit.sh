#!/usr/bin/env bash
# One benchmark of an earlier commit against one of this build, in turns:
# the earlier commit's benchmark binary (built once in a work tree under
# build-against/) and this build's, TURNS times each, one after the other,
# so that a drift of the machine's speed falls on both. Prints every turn's
# medians and the median of the turns' speed-ups.
#
#   bench/against_commit.sh REV 'OLD_FILTER' 'NEW_FILTER' [TURNS]
#   bench/against_commit.sh a6bc392 'BM_PitchFrameFast/w:3840' 'BM_PitchFrameColours/w:3840' 5
#
# Each filter must select one benchmark of one size. Run from the project's
# root after `make build`.
set -euo pipefail
REV=$1
OLD_FILTER=$2
NEW_FILTER=$3
TURNS=${4:-5}
ROOT=$(git rev-parse --show-toplevel)
TREE="$ROOT/build-against/$(git rev-parse --short "$REV")"

if [ ! -x "$TREE/build/bench/veltrane-bench" ]; then
  [ -d "$TREE" ] || git -C "$ROOT" worktree add -f --detach "$TREE" "$REV" >/dev/null
  cmake -S "$TREE" -B "$TREE/build" -DCMAKE_BUILD_TYPE=Release -DVELTRANE_BENCH=ON >/dev/null
  cmake --build "$TREE/build" -j "$(nproc)" --target veltrane-bench >"$TREE/build.log" 2>&1 ||
    { echo "could not build $REV's benchmarks: see $TREE/build.log" >&2; exit 1; }
fi

median_of() { # the median line of a benchmark's run, its time in ms
  "$1" --benchmark_filter="$2" 2>/dev/null | awk '/_median / { print $2; exit }'
}

RATIOS=()
for turn in $(seq "$TURNS"); do
  old=$(median_of "$TREE/build/bench/veltrane-bench" "$OLD_FILTER")
  new=$(median_of "$ROOT/build/bench/veltrane-bench" "$NEW_FILTER")
  [ -n "$old" ] && [ -n "$new" ] || { echo "a filter selected no benchmark with repetitions" >&2; exit 1; }
  ratio=$(awk -v a="$old" -v b="$new" 'BEGIN { printf "%.2f", a / b }')
  RATIOS+=("$ratio")
  echo "turn $turn: $REV $old ms, this build $new ms, speed-up $ratio"
done
printf '%s\n' "${RATIOS[@]}" | sort -g | awk '{ r[NR] = $1 } END { printf "median speed-up %.2f\n", r[int((NR + 1) / 2)] }'
