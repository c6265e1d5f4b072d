#!/usr/bin/env bash
# Checks the installed show: the file list, then the programs run from another
# directory against the build tree. Either from `cmake --install` into a
# temporary prefix (tree), or from the Debian package made by CPack (deb), whose
# dependencies are checked and which is installed with apt when run as root.
# usage: check_install.sh tree|deb BUILD_DIR VERSION
set -euo pipefail
mode=$1 build=$(cd "$2" && pwd) version=$3

work=$(mktemp -d)
installed_here=no
cleanup() {
    if [ "$installed_here" = yes ]; then
        DEBIAN_FRONTEND=noninteractive apt-get remove -y -q ambrelle >/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Every file the installation holds, relative to its prefix.
expected_files() {
    printf '%s\n' bin/ambrelle bin/ambrelle-capture bin/ambrelle-datacheck bin/ambrelle-datagen bin/ambrellew \
        share/applications/ambrelle.desktop share/icons/hicolor/256x256/apps/ambrelle.png \
        share/man/man6/ambrelle-capture.6 share/man/man6/ambrelle.6 share/man/man6/ambrellew.6
    (cd "$build/data" && for f in *; do echo "share/ambrelle/data/$f"; done)
}
expected_files | sort > "$work/expected.txt"
[ "$(grep -c '^share/ambrelle/data/' "$work/expected.txt")" = 43 ] || fail "the build's data/ does not hold 43 files"

case "$mode" in
    tree)
        prefix=$work/prefix
        cmake --install "$build" --prefix "$prefix" >/dev/null
        (cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort) > "$work/found.txt"
        ;;
    deb)
        (cd "$build" && cpack -G DEB -B "$work/package" >/dev/null) || fail "cpack could not make the package"
        debs=("$work"/package/ambrelle_"$version"_*.deb)
        [ -f "${debs[0]}" ] || fail "no ambrelle_${version}_*.deb in $(ls "$work/package")"
        deb=${debs[0]}
        echo "package: $(basename "$deb"), $(du -h "$deb" | cut -f1)"
        dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||' | sort > "$work/found.txt"
        # Its dependencies: the libraries the programs link, ffmpeg for videos.
        depends=$(dpkg-deb -f "$deb" Depends) recommends=$(dpkg-deb -f "$deb" Recommends)
        echo "Depends: $depends"
        for package in 'libsdl1.2-compat|libsdl1.2debian' libvorbisidec1 libvorbisenc2 libstdc\\+\\+6 libc6; do
            grep -Eq "(^|, )($package)[ ,(|]" <<< "$depends, " || fail "Depends lacks $package: $depends"
        done
        [ "$recommends" = ffmpeg ] || fail "Recommends is '$recommends', not ffmpeg"
        [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version)"
        prefix=/usr
        ;;
    *)
        echo "usage: $0 tree|deb BUILD_DIR VERSION" >&2
        exit 2
        ;;
esac
diff -u "$work/expected.txt" "$work/found.txt" || fail "the installed files differ from the list above"
echo "files: $(wc -l < "$work/found.txt") as expected"

if [ "$mode" = deb ]; then
    if [ "$(id -u)" != 0 ]; then
        echo "skipped: installing the package with apt needs root (CI runs as root)"
        exit 77
    fi
    if dpkg-query -W -f='${Status}' ambrelle 2>/dev/null | grep -q 'ok installed'; then
        echo "skipped: an ambrelle package is already installed here; not replacing it"
        exit 77
    fi
    installed_here=yes
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$deb" >/dev/null ||
        fail "apt-get install $deb"
fi

# From a directory with no data/ the programs find the installed data; what
# they write stays where they were started.
home=$work/home
mkdir "$home"
cd "$home"
"$prefix/bin/ambrelle-capture" --hash --frames 1-3 > installed.txt
(cd "$build" && ./ambrelle-capture --hash --frames 1-3) > built.txt
[ "$(wc -l < installed.txt)" = 3 ] && cmp -s installed.txt built.txt ||
    fail "installed hashes differ from the build's: $(cat installed.txt)"
"$prefix/bin/ambrelle-capture" --png shots --frames 2 2> capture.err
[ -f shots/frame_000002.png ] || fail "--png shots did not write into the starting directory"
[ "$(cat capture.err)" = "ambrelle-capture: wrote PNG frames (320x240) to $home/shots/: 1 frame, 0.033 s, $(
    du -b shots/frame_000002.png | awk '{ b = $1; printf (b < 1000 ? "%d bytes" : "%.1f kB"), (b < 1000 ? b : b / 1000) }')" ] ||
    fail "capture's closing line: $(cat capture.err)"
"$prefix/bin/ambrelle-datacheck" "$prefix/share/ambrelle/data" > /dev/null || fail "the installed data fails the data check"
for program in ambrelle ambrellew ambrelle-capture ambrelle-datagen ambrelle-datacheck; do
    [ "$("$prefix/bin/$program" --version)" = "$program $version" ] || fail "$program --version"
done
grep -q "^\.TH AMBRELLE 6 .*\"ambrelle $version\"" "$prefix/share/man/man6/ambrelle.6" || fail "man page version"
grep -q '^Actions=window;fullscreen;$' "$prefix/share/applications/ambrelle.desktop" || fail "desktop actions"
# A 256 x 256 PNG: the signature, then IHDR's width and height.
icon=$(od -An -tx1 -N24 "$prefix/share/icons/hicolor/256x256/apps/ambrelle.png" | tr -d ' \n')
[ "$icon" = 89504e470d0a1a0a0000000d494844520000010000000100 ] || fail "the icon is no 256 x 256 PNG ($icon)"

# The show itself plays the installed data: every picture loads, and without
# the music it stops at the music ("!ogg"). In the temporary prefix only.
if [ "$mode" = tree ]; then
    rm "$prefix/share/ambrelle/data/warmer.ogg"
    status=0
    SDL_VIDEODRIVER=dummy "$prefix/bin/ambrellew" --no-sound > show.out 2> show.err || status=$?
    [ "$status" = 1 ] && [ "$(cat show.err)" = '!ogg' ] && [ ! -s show.out ] ||
        fail "installed show: status $status, stdout '$(cat show.out)', stderr '$(cat show.err)'"
fi
echo "installed programs run from $home: hashes match the build, data found, versions $version"
