#!/usr/bin/env bash
# The show left alone in a window (Xvfb, openbox, SDL's dummy audio) ends by
# itself 250 s after its start with status 0 and no output. About 4.5 minutes.
# usage: run_to_end.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
ln -s "$build/data" "$work/data"
ln -s "$build/ambrelle" "$work/ambrellew"
cd "$work"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=("$!")
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$(cat "$work/display")"
# The socket, not a client: an X server resets when its last client leaves.
for _ in $(seq 1 100); do [ -S "/tmp/.X11-unix/X${DISPLAY#:}" ] && break; sleep 0.1; done
openbox > /dev/null 2>&1 &
pids+=("$!")

start=$(date +%s)
./ambrellew > out.txt 2> err.txt &
show=$!
pids+=("$show")
# Loading takes a moment before the show's 250 s begin; give it 60 s more.
for _ in $(seq 1 3100); do kill -0 "$show" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$show" 2>/dev/null; then
    echo "still running $(($(date +%s) - start)) s after start"
    exit 1
fi
status=0
wait "$show" || status=$?
seconds=$(($(date +%s) - start))
if [ "$status" != 0 ] || [ -s out.txt ] || [ -s err.txt ] || [ "$seconds" -lt 250 ]; then
    echo "ended after $seconds s with status $status; output: $(cat out.txt err.txt)"
    exit 1
fi
echo "ended by itself after $seconds s, status 0"
