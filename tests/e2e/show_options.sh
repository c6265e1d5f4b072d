#!/usr/bin/env bash
# The show's window options in a virtual X display: the full-screen name with
# --window --size 800x600 opens an 800 x 600 window, and Escape still ends the
# show at once with status 0.
# usage: show_options.sh BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/x_display.sh"
x_display_setup "$1" Xvfb xdotool
export SDL_VIDEODRIVER=x11
start_x 1024x768x24

./ambrelle --window --size 800x600 --no-sound > out.txt 2> err.txt &
show=$!
pids+=("$show")
wait_window "$show"
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" = 800 ] && [ "$HEIGHT" = 600 ] || fail "window is ${WIDTH}x${HEIGHT}, not 800x600"
xdotool windowfocus --sync "$wid" 2>/dev/null || true
xdotool key --clearmodifiers Escape
wait_end "$show" 50 "Escape"
[ "$status" = 0 ] || fail "exit status $status after Escape: $(cat err.txt)"
echo "--window --size 800x600: an 800x600 window, Escape -> status 0"
