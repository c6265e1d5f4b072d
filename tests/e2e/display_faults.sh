#!/usr/bin/env bash
# The display going away or never being there, each under its own Xvfb: a lost
# X server, SIGTERM and SIGINT, no display at all, and full screen with and
# without a window manager (the whole picture, letterboxed, must be shown).
# usage: display_faults.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
for tool in Xvfb xdotool xwininfo xdpyinfo ffmpeg openbox; do
    command -v "$tool" >/dev/null || { echo "missing $tool (apt-get install xvfb xdotool x11-utils ffmpeg openbox)"; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
ln -s "$build/data" "$work/data"
ln -s "$build/ambrelle" "$work/ambrelle"
ln -s "$build/ambrelle" "$work/ambrellew"
cd "$work"
# The X client libraries keep a few allocations to process exit; leaks are
# checked by the display-less runs.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER

fail() { echo "FAIL: $*"; exit 1; }

# Starts an X server of the given size on a free display; sets DISPLAY and xvfb.
start_x() {
    rm -f "$work/display"
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb=$!
    pids+=("$xvfb")
    for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || fail "Xvfb did not start"
    export DISPLAY=":$(cat "$work/display")"
    # The socket, not a client: an X server resets when its last client
    # leaves, and a show connecting during that reset finds no display.
    for _ in $(seq 1 100); do [ -S "/tmp/.X11-unix/X${DISPLAY#:}" ] && return 0; sleep 0.1; done
    fail "Xvfb on $DISPLAY does not answer"
}

# Waits for the show's window; sets wid.
wait_window() {
    wid=""
    for _ in $(seq 1 150); do
        wid=$(xdotool search --name "^ambrelle by tornvale$" 2>/dev/null | head -n1 || true)
        [ -n "$wid" ] && return 0
        kill -0 "$1" 2>/dev/null || fail "the show ended before its window appeared: $(cat err.txt out.txt)"
        sleep 0.2
    done
    fail "no window with the caption appeared"
}

# Waits up to $2 tenths of a second for process $1 to end; sets status.
wait_end() {
    for _ in $(seq 1 "$2"); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$1" 2>/dev/null; then
        kill -9 "$1"
        fail "$3: still running after $(($2 / 10)) s"
    fi
    status=0
    wait "$1" || status=$?
}

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
    if [ "$wm" = openbox ]; then
        openbox > /dev/null 2>&1 &
        pids+=("$!")
        sleep 1
    fi
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
