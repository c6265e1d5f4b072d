#!/usr/bin/env bash
# The golden-frame test: renders every frame listed in frames.txt with
# ambrelle-capture and compares the lines "K elapsedMs maskHex hashHex".
#   usage: check.sh CAPTURE BUILD_DIR [FRAMES_FILE]
# To add or re-record frames after looking at them, see record.sh.
set -euo pipefail
capture=$1
build=$2
golden=${3:-$(dirname "$0")/frames.txt}

# Data lines without their notes; anything malformed fails the test.
expected=$(awk '
  { sub(/#.*/, ""); if (NF == 0) next }
  NF != 4 || $1 !~ /^[0-9]+$/ || $2 !~ /^[0-9]+$/ || $3 !~ /^[0-9a-f]+$/ || length($3) != 8 || $4 !~ /^[0-9a-f]+$/ || length($4) != 16 {
    printf "%s:%d: malformed line (want: K elapsedMs maskHex hashHex [# note])\n", FILENAME, FNR > "/dev/stderr"
    bad = 1; next
  }
  seen[$1]++ { printf "%s:%d: frame %s listed twice\n", FILENAME, FNR, $1 > "/dev/stderr"; bad = 1; next }
  { print $1, $2, $3, $4 }
  END { exit bad }' "$golden" | sort -n)
if [ -z "$expected" ]; then
    echo "golden frames: $golden lists no frame" >&2
    exit 1
fi
list=$(echo "$expected" | awk '{ print $1 }' | paste -sd, -)

if ! actual=$("$capture" -C "$build" --hash --frames "$list"); then
    echo "ambrelle-capture failed on the golden frames:"
    echo "$actual"
    exit 1
fi
differ=0
while read -r k ms mask hash; do
    got=$(echo "$actual" | awk -v k="$k" '$1 == k')
    if [ "$got" != "$k $ms $mask $hash" ]; then
        echo "frame $k: expected '$k $ms $mask $hash', got '${got:-nothing}'"
        differ=$((differ + 1))
    fi
done <<< "$expected"
count=$(echo "$expected" | wc -l)
echo "golden frames: $count checked, $differ differ"
if [ "$differ" -gt 0 ]; then
    echo "If the change is intended, look at the frames and re-record them:"
    echo "  tests/golden/record.sh $build LIST   (LIST as for --frames; PNGs go to $build/golden-review)"
    exit 1
fi
