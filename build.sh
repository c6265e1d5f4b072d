#!/usr/bin/env bash
# Builds ambrelle and its data, then plays the show or runs every test.
#   ./build.sh play    build the show and its data/ only, play it in a window
#                      (options after "play" go to the show, e.g. --no-sound)
#   ./build.sh test    build everything (normal and sanitized) and run all tests
#   ./build.sh build   build everything and generate data/ only
#   ./build.sh web     build the browser version into build-web/ (serve that folder)
set -euo pipefail
cd "$(dirname "$0")"

# What playing needs: no test, benchmark or video tools.
PLAY_PACKAGES=(build-essential cmake pkg-config libsdl1.2-compat-dev libvorbisidec-dev libstb-dev
               libvorbis-dev libogg-dev)
PACKAGES=(build-essential cmake pkg-config libsdl1.2-compat-dev libvorbisidec-dev libstb-dev
          libvorbis-dev libogg-dev libgtest-dev libgmock-dev libbenchmark-dev
          xvfb xauth xdotool x11-utils openbox wmctrl ffmpeg clang-format)
# The browser build and its test in headless Chromium.
WEB_PACKAGES=(emscripten chromium python3)

install_packages() { # packages (default: all of PACKAGES)
    local missing=() wanted=("$@")
    [ ${#wanted[@]} -gt 0 ] || wanted=("${PACKAGES[@]}")
    for p in "${wanted[@]}"; do
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

have_web_packages() {
    for p in "${WEB_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || return 1
    done
}

# The browser build needs the generated data set of a native build.
build_web() {
    cmake --build build -j "$jobs" --target ambrelle_data
    # Debian's emcc runs its optimiser on node, which finds acorn there.
    export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
    emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DAMBRELLE_WEB_DATA="$PWD/build/data" >/dev/null
    cmake --build build-web -j "$jobs"
}

case "${1:-}" in
    play)
        install_packages "${PLAY_PACKAGES[@]}"
        cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DAMBRELLE_TESTS=OFF -DAMBRELLE_BENCHMARKS=OFF >/dev/null
        cmake --build build -j "$jobs" --target ambrelle ambrelle_data
        shift
        cd build && exec ./ambrellew "$@"
        ;;
    build)
        install_packages
        build build -DAMBRELLE_TESTS=ON -DAMBRELLE_BENCHMARKS=ON
        ;;
    test)
        install_packages
        build build -DAMBRELLE_TESTS=ON -DAMBRELLE_BENCHMARKS=ON
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
        # The browser build in headless Chromium, against ambrelle-capture.
        if [ "$(id -u)" -eq 0 ]; then install_packages "${WEB_PACKAGES[@]}"; fi
        if have_web_packages; then
            build_web
            python3 tests/web/web_test.py build-web build
        else
            echo "Skipping the browser test: emscripten and chromium are not installed."
        fi
        ;;
    web)
        install_packages
        install_packages "${WEB_PACKAGES[@]}"
        cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
        build_web
        echo "Serve it: (cd build-web && python3 -m http.server 8000), then open http://localhost:8000/"
        ;;
    *)
        echo "usage: $0 play|test|build|web" >&2
        exit 2
        ;;
esac
