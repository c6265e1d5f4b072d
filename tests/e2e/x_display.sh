# The X set-up shared by the tests that run the show in a real window: a work
# folder holding links to the build's data and program, an Xvfb of their own,
# a window manager, and the wait for the show's window. Sourced, with set -e.
# usage: x_display_setup BUILD_DIR TOOL...   (checks the tools, makes $work)

fail() { echo "FAIL: $*"; exit 1; }

x_display_setup() {
    build=$(cd "$1" && pwd)
    shift
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null ||
            fail "missing $tool (apt-get install xvfb openbox wmctrl xdotool x11-utils ffmpeg)"
    done
    work=$(mktemp -d)
    pids=()
    trap x_display_cleanup EXIT
    ln -s "$build/data" "$work/data"
    ln -s "$build/ambrelle" "$work/ambrelle"
    ln -s "$build/ambrelle" "$work/ambrellew"
    cd "$work"
    # The X client libraries keep a few allocations to process exit; leaks are
    # checked by the display-less runs.
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
    export SDL_AUDIODRIVER=dummy
}

x_display_cleanup() {
    local p
    for p in "${pids[@]}"; do kill -CONT "$p" 2>/dev/null || true; kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}

# Starts an X server of the given size (WxHxDEPTH) on a free display; sets
# DISPLAY and xvfb.
start_x() {
    rm -f "$work/display"
    # Without -noreset the server resets whenever its last client leaves: a
    # probe such as wmctrl leaving just as openbox or the show connects
    # would take the display away from them.
    Xvfb -displayfd 3 -noreset -screen 0 "$1" -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb=$!
    pids+=("$xvfb")
    for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || fail "Xvfb did not start"
    export DISPLAY=":$(cat "$work/display")"
    for _ in $(seq 1 100); do [ -S "/tmp/.X11-unix/X${DISPLAY#:}" ] && return 0; sleep 0.1; done
    fail "Xvfb on $DISPLAY does not answer"
}

# Starts openbox and waits until it answers as the window manager. A window
# mapped while the manager is still starting can have its map request lost,
# and the show would then wait for its window forever.
start_wm() {
    openbox > "$work/openbox.log" 2>&1 &
    pids+=("$!")
    for _ in $(seq 1 300); do wmctrl -m > /dev/null 2>&1 && break; sleep 0.1; done
    wmctrl -m > /dev/null 2>&1 || fail "openbox did not start within 30 s: $(tail -n 3 "$work/openbox.log")"
    # The manager names itself before it has finished taking over the screen.
    sleep 0.5
}

# Waits for the window of show $1; sets wid.
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

# Waits up to $2 tenths of a second for show $1 to end, named $3 in the
# message when it does not; sets status.
wait_end() {
    for _ in $(seq 1 "$2"); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$1" 2>/dev/null; then
        kill -9 "$1"
        fail "$3: still running after $(($2 / 10)) s"
    fi
    status=0
    wait "$1" || status=$?
}
