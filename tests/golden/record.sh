#!/usr/bin/env bash
# Records golden frames into frames.txt, in two steps so that every frame is
# looked at before its hash is kept:
#   record.sh BUILD_DIR LIST           renders the frames as PNG (640 x 480) to
#                                      BUILD_DIR/golden-review; writes nothing
#   record.sh --write BUILD_DIR LIST [NOTE]
#                                      records them into frames.txt
#     LIST  frames as ambrelle-capture --frames takes them (1,95,200-210), or
#           "all" for every frame already listed (after an intended change)
#     NOTE  what the frames show, kept after "#" on their lines; without it a
#           re-recorded frame keeps its old note
# Lines of the same frames are replaced; the file stays sorted by frame.
set -euo pipefail
write=0
if [ "${1:-}" = --write ]; then
    write=1
    shift
fi
if [ $# -lt 2 ]; then
    sed -n '2,14s/^# \{0,1\}//p' "$0" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
list=$2
note=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
golden=$here/frames.txt
capture=$build/ambrelle-capture

if [ "$list" = all ]; then
    list=$(awk '{ sub(/#.*/, "") } NF { print $1 }' "$golden" | sort -n | paste -sd, -)
fi
review=$build/golden-review
rm -rf "$review"
lines=$("$capture" -C "$build" --hash --frames "$list" --png "$review" --size 640x480)

if [ "$write" = 0 ]; then
    echo "$lines"
    echo "look at the frames in $review, then record them with: $0 --write $1 $2 \"what they show\""
    exit 0
fi

tmp=$(mktemp)
awk -v note="$note" -v fresh="$lines" '
  BEGIN {
    n = split(fresh, rows, "\n")
    for (i = 1; i <= n; i++) if (split(rows[i], f, " ") == 4) { line[f[1]] = rows[i]; isNew[f[1]] = 1 }
  }
  /^[ \t]*#/ || NF == 0 { if (!started) header = header $0 "\n"; next }
  {
    started = 1
    text = $0; old = ""
    if ((at = index(text, "#")) > 0) { old = substr(text, at + 1); sub(/^ +/, "", old); text = substr(text, 1, at - 1) }
    split(text, f, " ")
    if (!(f[1] in line)) line[f[1]] = f[1] " " f[2] " " f[3] " " f[4]
    oldNote[f[1]] = old
  }
  END {
    printf "%s", header; fflush()
    for (k in line) {
      c = (isNew[k] && note != "") ? note : oldNote[k]
      printf "%s%s\n", line[k], (c != "" ? "  # " c : "") | "sort -n"
    }
  }' "$golden" > "$tmp"
mv "$tmp" "$golden"
echo "$lines"
echo "recorded $(echo "$lines" | wc -l) frame(s) into $golden; the frames are in $review"
