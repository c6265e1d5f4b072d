#!/usr/bin/env bash
# The display going away or never being there, each under its own Xvfb: a lost
# X server, a server that never answers, SIGTERM and SIGINT, no display at all, and full screen with and
# without a window manager (the whole picture, letterboxed, must be shown).
# usage: display_faults.sh BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/x_display.sh"
x_display_setup "$1" Xvfb openbox wmctrl xdotool xwininfo ffmpeg
unset SDL_VIDEODRIVER

expect_output() { # name, expected stdout, expected stderr
    [ "$(cat out.txt)" = "$2" ] || fail "$1: stdout '$(cat out.txt)', expected '$2'"
    [ "$(cat err.txt)" = "$3" ] || fail "$1: stderr '$(cat err.txt)', expected '$3'"
}

# --- the X server dies in mid-show ---
start_x 800x600x24
./ambrellew > out.txt 2> err.txt &
show=$!
wait_window "$show"
sleep 1
kill "$xvfb"
wait_end "$show" 50 "lost display"
[ "$status" = 1 ] || fail "lost display: status $status, expected 1"
expect_output "lost display" "" "Lost the display: X connection to $DISPLAY broken"
echo "lost display -> one line, status 1"

# --- a server that takes the connection and never answers ---
start_x 800x600x24
kill -STOP "$xvfb"
./ambrellew > out.txt 2> err.txt &
show=$!
wait_end "$show" 200 "stopped X server"
kill -CONT "$xvfb"
kill "$xvfb"
[ "$status" = 1 ] || fail "stopped X server: status $status, expected 1"
expect_output "stopped X server" "Unable to set video: the display showed no window within 10 s" ""
echo "stopped X server -> Unable to set video, status 1"

# --- SIGTERM and SIGINT end the show through its shutdown ---
for sig in TERM INT; do
    start_x 800x600x24
    ./ambrellew > out.txt 2> err.txt &
    show=$!
    wait_window "$show"
    sleep 1
    kill -s "$sig" "$show"
    wait_end "$show" 50 "SIG$sig"
    [ "$status" = 0 ] || fail "SIG$sig: status $status, expected 0"
    expect_output "SIG$sig" "" ""
    kill "$xvfb"
    echo "SIG$sig -> status 0"
done

# --- no display at all, or one that is not there ---
no_display() { # name, env...
    local name=$1
    shift
    status=0
    env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$work" "$@" ./ambrellew > out.txt 2> err.txt || status=$?
    [ "$status" = 1 ] || fail "$name: status $status, expected 1"
    expect_output "$name" "Unable to init SDL: No available video device" ""
    echo "$name -> Unable to init SDL, status 1"
}
no_display "no DISPLAY"
no_display "a display that is not there" DISPLAY=:9999
# Asked for by name, the display-less driver plays.
env -u DISPLAY SDL_VIDEODRIVER=dummy ./ambrellew > out.txt 2> err.txt &
show=$!
sleep 2
kill -s TERM "$show"
wait_end "$show" 50 "dummy driver asked for"
[ "$status" = 0 ] || fail "dummy driver asked for: status $status, expected 0"
expect_output "dummy driver" "" ""
echo "SDL_VIDEODRIVER=dummy without a display -> plays"

# --- full screen, with and without a window manager ---
# The white opening as the window must show it, from the renderer's scaler.
"$build/ambrelle-capture" --png "$work/expected" --frames 1 --size 1280x720 > /dev/null
mask() { # picture -> raw bytes, 0 where dark, 255 where light
    ffmpeg -loglevel error -i "$1" -vf "format=gray,lutyuv=y='if(gt(val,128),255,0)'" -f rawvideo -pix_fmt gray -
}
mask "$work/expected/frame_000001.png" > expected.gray
[ "$(tr -d '\377' < expected.gray | wc -c)" -gt 0 ] || fail "a 16:9 screen must have black borders"
for wm in none openbox; do
    start_x 1280x720x24
    [ "$wm" = openbox ] && start_wm
    ./ambrelle > out.txt 2> err.txt &
    show=$!
    wait_window "$show"
    seen=no
    for _ in $(seq 1 100); do
        ffmpeg -loglevel error -y -f x11grab -video_size 1280x720 -i "$DISPLAY" -frames:v 1 shot.png
        mask shot.png > shot.gray
        if cmp -s shot.gray expected.gray; then seen=yes; break; fi
        sleep 0.1
    done
    geometry=$(xwininfo -id "$wid" | awk '/Width:/ {w=$2} /Height:/ {h=$2} /Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print w "x" h "+" x "+" y}')
    kill -s TERM "$show"
    wait_end "$show" 50 "full screen ($wm)"
    [ "$seen" = yes ] || fail "full screen, window manager $wm: the screen never showed the whole letterboxed opening (window $geometry)"
    [ "$geometry" = "1280x720+0+0" ] || fail "full screen, window manager $wm: window $geometry"
    [ "$status" = 0 ] || fail "full screen ($wm): status $status"
    kill "$xvfb"
    echo "full screen, window manager $wm -> whole picture, letterboxed"
done
