#!/usr/bin/env bash
# End-to-end check of the real program in a virtual X display: the window's
# caption and size, the white opening, Escape ending the show with status 0,
# and the music file's absence ending start-up with "!ogg" and status 1.
# usage: show_window.sh BUILD_DIR DATA_DIR SHORT_OGG
set -euo pipefail
build=$1 data=$2 ogg=$3
for tool in xvfb-run xdotool ffmpeg; do
    command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install xvfb xdotool ffmpeg)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/data"
cp "$data"/*.png "$work/data/"
cp "$data"/*.ase "$work/data/" 2>/dev/null || true
cp "$ogg" "$work/data/warmer.ogg"
ln -s "$build/ambrelle" "$work/ambrellew"

cat > "$work/inner.sh" <<'INNER'
set -euo pipefail
cd "$1"
export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11
./ambrellew > out.txt 2> err.txt &
pid=$!
wid=""
for _ in $(seq 1 150); do
    wid=$(xdotool search --name "^ambrelle by tornvale$" 2>/dev/null | head -n1 || true)
    [ -n "$wid" ] && break
    sleep 0.2
done
[ -n "$wid" ] || { echo "no window with the caption appeared"; kill $pid; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" = 640 ] && [ "$HEIGHT" = 480 ] || { echo "window is ${WIDTH}x${HEIGHT}, not 640x480"; kill $pid; exit 1; }
# Wait for the white opening: every pixel of the window white (the X server
# may widen 0xFFFF to 254 in one channel, so allow the lowest bits to vary).
white=no
for _ in $(seq 1 100); do
    nonwhite=$(ffmpeg -loglevel error -f x11grab -video_size 640x480 -i "$DISPLAY+$X,$Y" -frames:v 1 \
               -f rawvideo -pix_fmt rgb24 - | tr -d '\370-\377' | wc -c)
    if [ "$nonwhite" -eq 0 ]; then white=yes; break; fi
    sleep 0.1
done
[ "$white" = yes ] || { echo "the window never showed the white opening"; kill $pid; exit 1; }
xdotool windowfocus --sync "$wid" 2>/dev/null || true
xdotool key --clearmodifiers Escape
for _ in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $pid 2>/dev/null; then echo "Escape release did not end the show"; kill $pid; exit 1; fi
status=0; wait $pid || status=$?
[ "$status" = 0 ] || { echo "exit status $status after Escape"; cat err.txt; exit 1; }
echo "window ok, white opening seen, Escape -> status 0"
INNER
# The X11 client libraries keep a few allocations to process exit; in a
# sanitized build leak checking is left to the display-less runs below.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    xvfb-run -a -s "-noreset -screen 0 1024x768x24" bash "$work/inner.sh" "$work"

# Without the music file: "!ogg" on standard error, status 1.
rm "$work/data/warmer.ogg"
status=0
(cd "$work" && SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=dummy ./ambrellew > out.txt 2> err.txt) || status=$?
[ "$status" = 1 ] || { echo "missing music: status $status, expected 1"; exit 1; }
[ "$(cat "$work/err.txt")" = '!ogg' ] || { echo "missing music: stderr was '$(cat "$work/err.txt")'"; exit 1; }
echo "missing music -> !ogg, status 1"

# The other start-up failures: each message on its own stream, status 1.
cp "$ogg" "$work/data/warmer.ogg"
matches() { # regexes, one per expected line (empty: the file must be empty), file
    if [ -z "$1" ]; then [ ! -s "$2" ]; return; fi
    [ "$(wc -l < "$2")" = "$(printf '%s\n' "$1" | wc -l)" ] || return 1
    local n=0 re
    while IFS= read -r re; do
        n=$((n + 1))
        sed -n "${n}p" "$2" | grep -Eqx "$re" || return 1
    done <<< "$1"
}
expect_failure() { # name, expected stdout regex, expected stderr regex, env...
    local name=$1 out_re=$2 err_re=$3; shift 3
    local status=0
    (cd "$work" && env "$@" ./ambrellew > out.txt 2> err.txt) || status=$?
    if [ "$status" != 1 ] || ! matches "$out_re" "$work/out.txt" || ! matches "$err_re" "$work/err.txt"; then
        echo "$name: status $status, stdout '$(cat "$work/out.txt")', stderr '$(cat "$work/err.txt")'"
        exit 1
    fi
    echo "$name -> status 1"
}
expect_failure "no video driver" 'Unable to init SDL: .+' '' SDL_VIDEODRIVER=bogus SDL_AUDIODRIVER=dummy
expect_failure "audio device" '' $'Couldn\'t open audio: .+\nRun with --no-sound to play the show without sound\\.' \
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=disk \
    SDL_DISKAUDIOFILE=/nonexistent/dir/out.raw
mv "$work/data/skybax.png" "$work/skybax.png"
expect_failure "missing picture" 'error loading data/skybax.png' '' SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
