#!/usr/bin/env bash
# tools/compare-data.sh: pairs of the right size, sides swapped on every other
# pair as the key says, and its refusals.
#   compare_data.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
tool=$(cd "$(dirname "$0")/../.." && pwd)/tools/compare-data.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The other data: the same set with the rain's backdrop turned upside down,
# so the two sides of a rain frame differ and tell which is which.
mkdir "$work/other"
for f in "$build"/data/*; do ln -s "$f" "$work/other/$(basename "$f")"; done
rm "$work/other/bg2.png"
ffmpeg -loglevel error -i "$build/data/bg2.png" -vf vflip "$work/other/bg2.png"

bash "$tool" "$build" "$work/other" "$work/pairs" 2050 2050 2100 >/dev/null
[ "$(ls "$work/pairs")" = "$(printf 'pair_1.png\npair_2.png\npair_3.png')" ] || fail "pairs: $(ls "$work/pairs")"
expected=$'1 2050 A=other B=this\n2 2050 A=this B=other\n3 2100 A=other B=this'
[ "$(cat "$work/pairs.key")" = "$expected" ] || fail "key: $(cat "$work/pairs.key")"
size=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 "$work/pairs/pair_1.png")
[ "$size" = "1288,480" ] || fail "pair size $size"

half() { ffmpeg -loglevel error -i "$1" -vf "crop=640:480:$2:0" -f md5 -; }
frame() { ffmpeg -loglevel error -i "$1" -f md5 -; }
"$build/ambrelle-capture" -C "$build" --png "$work/this" --frames 2050 --size 640x480 >/dev/null
this=$(frame "$work/this/frame_002050.png")
[ "$(half "$work/pairs/pair_1.png" 648)" = "$this" ] || fail "pair 1: this build's frame is not on the right"
[ "$(half "$work/pairs/pair_2.png" 0)" = "$this" ] || fail "pair 2: this build's frame is not on the left"
[ "$(half "$work/pairs/pair_1.png" 0)" != "$this" ] || fail "pair 1: the other data left no mark"
[ "$(half "$work/pairs/pair_1.png" 0)" = "$(half "$work/pairs/pair_2.png" 648)" ] || fail "the other side differs"

# Refusals: too few arguments, a frame that is not a number, an output folder
# holding anything but pairs (it would be emptied); earlier pairs are replaced.
mkdir "$work/keep"
touch "$work/keep/notes.txt"
set +e
bash "$tool" "$build" "$work/other" "$work/keep" 2050 >/dev/null 2>&1
[ $? = 1 ] || fail "a folder with other files accepted as output"
[ -e "$work/keep/notes.txt" ] || fail "a refused output folder was emptied"
bash "$tool" "$build" "$work/other" "$work/pairs" 2100 >/dev/null 2>&1 || fail "earlier pairs not replaced"
[ "$(ls "$work/pairs")" = pair_1.png ] || fail "earlier pairs left behind: $(ls "$work/pairs")"
bash "$tool" "$build" "$work/other" "$work/x" >/dev/null 2>&1
[ $? = 2 ] || fail "missing frames accepted"
bash "$tool" "$build" "$work/other" "$work/x" 12x >/dev/null 2>&1
[ $? = 2 ] || fail "frame 12x accepted"
echo "compare-data.sh: pairs, key and refusals as expected"
