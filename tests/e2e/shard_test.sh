#!/usr/bin/env bash
# Shards through GNU parallel: three processes with --shard=I/3 write the
# same bytes as one run; a shard that fails says so with its exit status and
# leaves the others' frames whole; a shard run again with --force replaces
# its own frames and no other.
INTERLACE=$1
SAMPLES=$2
source "$(dirname "$0")/lib.sh"

cd "$E2E_TMP"
"$SAMPLES" --dir=. --view-count=4 --frame-count=7 --size=64x48 >/dev/null || fail "could not write the sample views"
LINE='param: -x     6 -y  1152 -pitch   8.0000 -mirror'
mkdir one three
"$INTERLACE" --param="$LINE" --frames=0-6 -o 'one/f_{frame}.png' --quiet || fail "the run of one process failed"
parallel --will-cite --halt never "'$INTERLACE'" --param="'$LINE'" --frames=0-6 --shard={}/3 \
  -o "'three/f_{frame}.png'" --quiet ::: 0 1 2 || fail "a shard failed"
for f in 0 1 2 3 4 5 6; do
  cmp -s "one/f_$f.png" "three/f_$f.png" || fail "frame $f differs between one run and three shards"
done
[ "$(ls three | wc -l)" -eq 7 ] || fail "the shards wrote $(ls three)"

# Frame 5 (shard 2) cannot be read: shard 2 fails, and says so; 0 and 1 finish.
cp -r pic broken && head -c 100 pic/blender_00005_2.jpg >broken/blender_00005_2.jpg
mkdir failing
status=0
parallel --will-cite --halt never --joblog jobs.log "'$INTERLACE'" --param="'$LINE'" --frames=0-6 --shard={}/3 \
  --views="'broken/blender_{frame:05}_{view}.jpg'" -o "'failing/f_{frame}.png'" --quiet ::: 0 1 2 2>errors || status=$?
[ "$status" -eq 1 ] || fail "parallel reported $status failed shards, expected 1"
awk -F'\t' 'NR > 1 && $7 != 0 {print $9}' jobs.log | grep -q -- '--shard=2/3' ||
  fail "the failing shard is not the one: $(cat jobs.log)"
grep -q "blender_00005_2.jpg" errors || fail "the failing shard did not say why: $(cat errors)"
for f in 0 1 3 4 6 2; do
  cmp -s "one/f_$f.png" "failing/f_$f.png" || fail "frame $f of the shards that did not fail is missing or differs"
done
[ ! -e failing/f_5.png ] || fail "the frame that failed was written"

# Shard 1 again with --force: its frames are new files, the others' untouched.
before=$(stat -c '%n %i %Y' three/f_0.png three/f_2.png three/f_3.png three/f_5.png three/f_6.png)
old1=$(stat -c %i three/f_1.png)
sleep 1
"$INTERLACE" --param="$LINE" --frames=0-6 --shard=1/3 -o 'three/f_{frame}.png' --quiet && fail "shard 1 overwrote without --force"
"$INTERLACE" --param="$LINE" --frames=0-6 --shard=1/3 -o 'three/f_{frame}.png' --quiet --force || fail "--force failed"
[ "$(stat -c '%n %i %Y' three/f_0.png three/f_2.png three/f_3.png three/f_5.png three/f_6.png)" = "$before" ] ||
  fail "another shard's frames changed"
[ "$(stat -c %i three/f_1.png)" != "$old1" ] || fail "shard 1's frame was not replaced"
cmp -s one/f_4.png three/f_4.png || fail "shard 1's frames are not the same bytes"

# Usage: a shard without --frames, without {frame}, or not I/N.
expect_status 2 "$INTERLACE" --param="$LINE" --shard=0/3 -o 'x_{frame}.png'
expect_status 2 "$INTERLACE" --param="$LINE" --frames=0-6 --shard=0/3 -o x.mkv
expect_status 2 "$INTERLACE" --param="$LINE" --frames=0-6 --shard=3/3 -o 'x_{frame}.png'
echo "shard_test: passed"
