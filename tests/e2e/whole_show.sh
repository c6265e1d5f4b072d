#!/usr/bin/env bash
# The whole show with the generated data: every frame rendered offline, then
# the live program played headless for a few seconds and stopped by SIGTERM.
# In the sanitized build any AddressSanitizer, UBSan or LeakSanitizer report
# fails it (the live program's SDL allocations are suppressed by
# src/main/lsan.supp, compiled into it).
# usage: whole_show.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=1:halt_on_error=1"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}halt_on_error=1:print_stacktrace=1"
cd "$build"

status=0
./ambrelle-capture --hash > "$work/hashes" 2> "$work/err" || status=$?
lines=$(wc -l < "$work/hashes")
if [ "$status" != 0 ] || [ -s "$work/err" ] || [ "$lines" != 7576 ]; then
    echo "offline render: status $status, $lines hash lines (want 7576), stderr:"
    head -c 4000 "$work/err"
    exit 1
fi
tail -n1 "$work/hashes" | grep -q '^7576 250008 80000000 ' || { echo "last frame: $(tail -n1 "$work/hashes")"; exit 1; }
echo "offline render: 7576 frames, no report"

SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ./ambrelle > "$work/out" 2> "$work/err" &
show=$!
sleep 5
kill -0 "$show" 2>/dev/null || { echo "the live program ended early: $(cat "$work/out" "$work/err")"; exit 1; }
kill -s TERM "$show"
for _ in $(seq 1 100); do kill -0 "$show" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$show" 2>/dev/null; then
    kill -9 "$show"
    echo "the live program did not end after SIGTERM"
    exit 1
fi
status=0
wait "$show" || status=$?
if [ "$status" != 0 ] || [ -s "$work/out" ] || [ -s "$work/err" ]; then
    echo "live program: status $status, stdout:"
    head -c 2000 "$work/out"
    echo "stderr:"
    head -c 4000 "$work/err"
    exit 1
fi
echo "live program: 5 s headless, SIGTERM, status 0, no report"
