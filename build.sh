#!/usr/bin/env bash
# Builds ambrelle and its data, then plays the show or runs every test.
#   ./build.sh play    build everything, generate data/, play the show
#   ./build.sh test    build everything (normal and sanitized) and run all tests
#   ./build.sh build   build everything and generate data/ only
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake pkg-config libsdl1.2-compat-dev libvorbisidec-dev libstb-dev
          libvorbis-dev libogg-dev libgtest-dev libgmock-dev libbenchmark-dev
          xvfb xauth xdotool x11-utils openbox wmctrl ffmpeg clang-format)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        # The classic SDL 1.2 package serves as well as sdl12-compat.
        if [ "$p" = libsdl1.2-compat-dev ] && dpkg-query -W -f='${Status}' libsdl1.2-dev 2>/dev/null | grep -q 'ok installed'; then
            continue
        fi
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -q
        apt-get install -y -q "${missing[@]}"
    else
        echo "Missing Debian packages. Install them with:"
        echo "  sudo apt-get install -y ${missing[*]}"
        exit 1
    fi
}

jobs=$(nproc 2>/dev/null || echo 2)

build() { # dir, extra cmake args...
    local dir=$1; shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

case "${1:-}" in
    play)
        install_packages
        build build
        cd build && exec ./ambrelle
        ;;
    build)
        install_packages
        build build
        ;;
    test)
        install_packages
        build build
        (cd build && ctest --output-on-failure -j "$jobs")
        # The whole suite again under AddressSanitizer and UBSan; any report fails.
        export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1
        export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
        build build-asan -DAMBRELLE_SANITIZE=ON -DAMBRELLE_BENCHMARKS=OFF
        (cd build-asan && ctest --output-on-failure -j "$jobs")
        # The golden frames once more with every hot loop compiled once, for
        # the baseline instruction set: on an AVX2 machine the tests above only
        # ever run the AVX2 copies.
        build build-novec -DAMBRELLE_TESTS=OFF -DAMBRELLE_BENCHMARKS=OFF -DCMAKE_CXX_FLAGS=-DAMBRELLE_NO_VECTOR_CLONES
        bash tests/golden/check.sh build-novec/ambrelle-capture build-novec tests/golden/frames.txt
        ;;
    *)
        echo "usage: $0 play|test|build" >&2
        exit 2
        ;;
esac
