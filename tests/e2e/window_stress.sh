#!/usr/bin/env bash
# The live window under stress, in Xvfb with a window manager (openbox) and
# SDL's dummy audio: letterboxing at several window sizes checked against the
# renderer's own scaling, a storm of resizes down to 1 x 1 and out to very
# wide and very tall, Escape held (nothing happens) then released (status 0),
# and a close request (wmctrl -c) in the same event batch as a resize.
# usage: window_stress.sh BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/x_display.sh"
x_display_setup "$1" Xvfb openbox wmctrl xdotool xwininfo ffmpeg
export SDL_VIDEODRIVER=x11
start_x 2200x1400x24
start_wm

start_show() {
    ./ambrellew > out.txt 2> err.txt &
    show=$!
    pids+=("$show")
    wait_window "$show"
}

alive() { kill -0 "$show" 2>/dev/null || fail "$1: the show ended (status $(wait "$show"; echo $?)): $(cat out.txt err.txt)"; }

# Waits up to 5 s for the show to end; it must end with status 0 and no output.
expect_clean_end() {
    wait_end "$show" 50 "$1"
    [ "$status" = 0 ] || fail "$1: status $status, output: $(cat out.txt err.txt)"
    [ ! -s out.txt ] && [ ! -s err.txt ] || fail "$1: output: $(cat out.txt err.txt)"
}

# The non-black part of a picture, as ffmpeg's crop detection sees it.
picture_box() {
    ffmpeg -hide_banner -i "$1" -vf "cropdetect=limit=16:round=2:skip=0" -f null - 2>&1 |
        grep -o 'crop=[0-9:]*' | tail -n1
}

# Resizes the window and checks that the whole picture shows, centred, with
# black borders exactly where the show's scaler puts them. The first 40 s of
# the show (white opening, pale sky) have no black inside the picture.
check_letterbox() { # width height
    xdotool windowsize --sync "$wid" "$1" "$2"
    local w="" h="" x="" y=""
    for _ in $(seq 1 30); do
        sleep 0.2
        eval "$(xwininfo -id "$wid" | awk '/Absolute upper-left X:/ {print "x=" $4} /Absolute upper-left Y:/ {print "y=" $4} /Width:/ {print "w=" $2} /Height:/ {print "h=" $2}')"
        [ "$w" = "$1" ] && [ "$h" = "$2" ] && break
    done
    [ "$w" = "$1" ] && [ "$h" = "$2" ] || fail "window is ${w}x${h}, asked for $1x$2"
    "$build/ambrelle-capture" --force --png "expected-$1x$2" --frames 1 --size "$1x$2" > /dev/null 2>&1
    local expected actual=""
    expected=$(picture_box "expected-$1x$2/frame_000001.png")
    for _ in $(seq 1 20); do
        sleep 0.2
        ffmpeg -loglevel error -y -f x11grab -video_size "$1x$2" -i "$DISPLAY+$x,$y" -frames:v 1 shot.png
        actual=$(picture_box shot.png)
        [ "$actual" = "$expected" ] && break
    done
    [ "$actual" = "$expected" ] || fail "window $1x$2: picture at $actual, expected $expected"
    echo "window $1x$2: picture at ${actual#crop=} (w:h:x:y), as the scaler places it"
}

# --- letterboxing ---
start_show
wmctrl -i -r "$wid" -b remove,maximized_vert,maximized_horz 2>/dev/null || true
for size in "640 480" "800 400" "400 600" "1000 500" "642 482" "320 240"; do
    # shellcheck disable=SC2086
    check_letterbox $size
done

# --- a storm of resizes: tiny, odd, very wide, very tall, and back ---
for size in "1 1" "2 2" "3 3" "1 480" "640 1" "641 481" "333 777" "2100 60" "60 1300" "2 2" "1 1" \
            "999 333" "17 2" "2100 1300" "5 5" "640 480" "1 1" "701 399" "640 480"; do
    # shellcheck disable=SC2086
    xdotool windowsize "$wid" $size
    sleep 0.05
done
sleep 1
alive "resize storm"
check_letterbox 640 480
echo "resize storm: the show kept playing"

# --- Escape held, then released ---
xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid"
xdotool keydown Escape
sleep 2
alive "Escape held"
xdotool keyup Escape
expect_clean_end "Escape released"
echo "Escape held: kept playing; released: status 0"

# --- a close request in the same event batch as a resize ---
start_show
sleep 1
kill -STOP "$show"
xdotool windowsize "$wid" 700 500
wmctrl -i -c "$wid"
sleep 0.5
kill -CONT "$show"
expect_clean_end "close with a resize"
echo "resize and close in one batch: status 0"
