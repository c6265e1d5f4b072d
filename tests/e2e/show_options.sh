#!/usr/bin/env bash
# The show's window options in a virtual X display: the full-screen name with
# --window --size 800x600 opens an 800 x 600 window, and Escape still ends the
# show at once with status 0.
# usage: show_options.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install xvfb xdotool)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/inner.sh" <<'INNER'
set -euo pipefail
cd "$1"
export SDL_VIDEODRIVER=x11
./ambrelle --window --size 800x600 --no-sound > "$2/out.txt" 2> "$2/err.txt" &
pid=$!
wid=""
for _ in $(seq 1 150); do
    wid=$(xdotool search --name "^ambrelle by tornvale$" 2>/dev/null | head -n1 || true)
    [ -n "$wid" ] && break
    sleep 0.2
done
[ -n "$wid" ] || { echo "no window with the caption appeared"; kill $pid; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" = 800 ] && [ "$HEIGHT" = 600 ] || { echo "window is ${WIDTH}x${HEIGHT}, not 800x600"; kill $pid; exit 1; }
xdotool windowfocus --sync "$wid" 2>/dev/null || true
xdotool key --clearmodifiers Escape
for _ in $(seq 1 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $pid 2>/dev/null; then echo "Escape release did not end the show"; kill $pid; exit 1; fi
status=0; wait $pid || status=$?
[ "$status" = 0 ] || { echo "exit status $status after Escape: $(cat "$2/err.txt")"; exit 1; }
echo "--window --size 800x600: an 800x600 window, Escape -> status 0"
INNER
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/inner.sh" "$build" "$work"
