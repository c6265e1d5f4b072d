#!/usr/bin/env bash
# Measures the live show's processor use: runs the windowed program in a virtual
# X display with SDL's dummy audio driver and reports the share of one core it
# used (user + system time from /proc) over a stretch of the show.
# usage: tools/measure-cpu.sh BUILD_DIR [SECONDS [SKIP_SECONDS]]
set -euo pipefail
build=$(cd "$1" && pwd) seconds=${2:-20} skip=${3:-5}
command -v xvfb-run >/dev/null || { echo "missing xvfb-run (apt-get install xvfb xauth)"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/inner.sh" <<'INNER'
set -euo pipefail
build=$1 seconds=$2 skip=$3
cd "$build"
SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=x11 ./ambrellew >/dev/null 2>&1 &
pid=$!
sleep "$skip"
read -r u0 s0 < <(awk '{ print $14, $15 }' "/proc/$pid/stat")
w0=$(date +%s.%N)
sleep "$seconds"
read -r u1 s1 < <(awk '{ print $14, $15 }' "/proc/$pid/stat")
w1=$(date +%s.%N)
kill "$pid"; wait "$pid" 2>/dev/null || true
awk -v u="$((u1 - u0))" -v s="$((s1 - s0))" -v hz="$(getconf CLK_TCK)" -v w0="$w0" -v w1="$w1" 'BEGIN {
    wall = w1 - w0
    printf "%.1f %% of a core over %.1f s: user %.2f s, system %.2f s\n", 100 * (u + s) / hz / wall, wall, u / hz, s / hz
}'
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/inner.sh" "$build" "$seconds" "$skip"
