#!/bin/sh
# Installs the Debian packages the build needs, with "test" also those of the
# tests, with "package" those of scripts/package.sh, with "windows" those of
# scripts/windows.sh (the Windows build and its tests under Wine) and with
# "bench" those of the benchmarks; only those that are missing, so a second
# run costs a few milliseconds.
set -eu

packages="cmake make g++ pkg-config libsdl1.2-dev libsdl-image1.2-dev libsdl-ttf2.0-dev libpng-dev
    libjpeg-dev zlib1g-dev"
# The program runs on either SDL 1.2; the tests run it on sdl12-compat (SDL 1.2
# over SDL 2, what most distributions ship) as well, and on weston, a Wayland
# compositor, and close its window through a window manager (openbox); the
# start-up benchmark also wants perf for its in-process profile. The tests also
# run the README's first command in a bare Debian made with debootstrap.
# The Windows build: MinGW-w64, Debian's source packages of the libraries
# (dpkg-dev unpacks them), NSIS, and Wine with Xvfb and a window manager for
# its tests, socat for the serial line under Wine; galeria ships DejaVu Sans.
windows="g++-mingw-w64-x86-64-posix dpkg-dev patch nsis zip python3 fonts-dejavu-core googletest
    wine64 xvfb xdotool imagemagick x11-utils openbox socat"
case "${1:-}" in
windows) packages="$packages $windows" ;;
test)
    packages="$packages $windows libgtest-dev python3-pil python3-fonttools clang libclang-rt-14-dev
        desktop-file-utils man-db fonts-dseg valgrind lintian appstream libsdl1.2-compat weston
        debootstrap"
    ;;
package) packages="$packages dpkg-dev" ;;
bench) packages="$packages libbenchmark-dev libx11-dev x11-apps x11-utils xvfb libsdl1.2-compat openbox linux-perf" ;;
esac

missing=""
for p in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *" installed") ;;
        *) missing="$missing $p" ;;
    esac
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" != 0 ]; then SUDO=sudo; else SUDO=; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
