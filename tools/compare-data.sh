#!/usr/bin/env bash
# Side-by-side pairs of show frames drawn with two data sets, for a blind
# comparison of a change to the generated art:
#   compare-data.sh BUILD_DIR OTHER_DATA OUT_DIR FRAME...
#     BUILD_DIR   a build with ambrelle-capture and its data/ (the change)
#     OTHER_DATA  a data folder to compare against (say, made by the
#                 generator of an earlier commit)
#     OUT_DIR     a new folder, or one holding only earlier pairs; gets
#                 pair_1.png .. pair_N.png (two 640 x 480 frames with a white
#                 gap); the key, which side is which, goes to OUT_DIR.key,
#                 outside the folder a viewer is shown
#     FRAME       frame numbers; list every moment twice (say a b c d b a d c)
#                 so that each shows once on either side: odd pairs have
#                 OTHER_DATA on the left, even pairs on the right
set -euo pipefail
if [ $# -lt 4 ]; then
    sed -n '2,15s/^# \{0,1\}//p' "$0" >&2
    exit 2
fi
command -v ffmpeg >/dev/null || { echo "compare-data.sh: needs ffmpeg" >&2; exit 1; }
for d in "$1" "$2"; do
    [ -d "$d" ] || { echo "compare-data.sh: no such folder: $d" >&2; exit 1; }
done
build=$(cd "$1" && pwd)
other=$(cd "$2" && pwd)
out=$3
shift 3
for f in "$@"; do
    case $f in
        '' | *[!0-9]*) echo "compare-data.sh: not a frame number: $f" >&2; exit 2 ;;
    esac
done
capture=$build/ambrelle-capture
[ -d "$build/data" ] || { echo "compare-data.sh: no data folder in $build" >&2; exit 1; }
# OUT_DIR is emptied first, so it must be a folder of earlier pairs or new.
if [ -e "$out" ]; then
    stray=$(find "$out" -mindepth 1 ! -name 'pair_*.png' -print -quit 2>/dev/null || echo "$out")
    if [ ! -d "$out" ] || [ -n "$stray" ]; then
        echo "compare-data.sh: $out holds more than earlier pairs; give a new folder" >&2
        exit 1
    fi
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
list=$(printf '%s\n' "$@" | sort -un | paste -sd, -)
mkdir -p "$work/other"
ln -s "$other" "$work/other/data"
render() {
    local said
    said=$("$capture" -C "$1" --png "$2" --frames "$list" --size 640x480 2>&1) || {
        echo "$said" >&2
        exit 1
    }
}
render "$build" "$work/this"
render "$work/other" "$work/that"

rm -rf "$out"
mkdir -p "$out"
: >"$out.key"
k=1
for f in "$@"; do
    name=$(printf 'frame_%06d.png' "$f")
    if [ $((k % 2)) = 1 ]; then
        left=$work/that/$name right=$work/this/$name key="A=other B=this"
    else
        left=$work/this/$name right=$work/that/$name key="A=this B=other"
    fi
    ffmpeg -loglevel error -y -i "$left" -i "$right" \
        -filter_complex '[0]pad=iw+8:ih:0:0:color=white[a];[a][1]hstack' "$out/pair_$k.png"
    echo "$k $f $key" >>"$out.key"
    k=$((k + 1))
done
echo "$((k - 1)) pairs in $out, the key in $out.key"
