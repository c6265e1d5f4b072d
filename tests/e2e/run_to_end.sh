#!/usr/bin/env bash
# The show left alone in a window (Xvfb, openbox, SDL's dummy audio) ends by
# itself 250 s after its start with status 0 and no output. About 4.5 minutes.
# usage: run_to_end.sh BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/x_display.sh"
x_display_setup "$1" Xvfb openbox wmctrl
start_x 1024x768x24
start_wm

start=$(date +%s)
./ambrellew > out.txt 2> err.txt &
show=$!
pids+=("$show")
# Loading takes a moment before the show's 250 s begin; give it 60 s more.
for _ in $(seq 1 3100); do kill -0 "$show" 2>/dev/null || break; sleep 0.1; done
kill -0 "$show" 2>/dev/null && fail "still running $(($(date +%s) - start)) s after start"
status=0
wait "$show" || status=$?
seconds=$(($(date +%s) - start))
if [ "$status" != 0 ] || [ -s out.txt ] || [ -s err.txt ] || [ "$seconds" -lt 250 ]; then
    fail "ended after $seconds s with status $status; output: $(cat out.txt err.txt)"
fi
echo "ended by itself after $seconds s, status 0"
