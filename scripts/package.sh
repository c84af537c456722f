#!/bin/sh
# Builds the two Debian packages, calculadora (the program) and calculadora-dev
# (the toolkit and serial helpers as a library), into out/ or the folder given,
# from a build in build-package/ or the build folder given (stripped when
# packed), and shows each one's size and Depends line:
#   sh scripts/package.sh [FOLDER [BUILD_FOLDER]]
# The Maintainer field is CALC_MAINTAINER ("Name <user@host.domain>") from the
# environment, else DEBFULLNAME <DEBEMAIL> as dch takes them, else the default
# of cmake/install.cmake. dpkg-shlibdeps (package dpkg-dev) works the
# program's Depends line out from the libraries it links; a package missing
# the SDL, PNG or JPEG libraries there is refused.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/out}"
build="${2:-$root/build-package}"
cd "$root"
scripts/deps.sh package

maintainer="${CALC_MAINTAINER:-}"
if [ -z "$maintainer" ] && [ -n "${DEBEMAIL:-}" ]; then
    maintainer="${DEBFULLNAME:-Calculadora developers} <$DEBEMAIL>"
fi
if [ -n "$maintainer" ]; then
    set -- -DCALC_MAINTAINER="$maintainer"
else
    set -- -UCALC_MAINTAINER
fi

# Compiled and linked with the flags Debian builds its packages with, all
# hardening on, and nothing of a CMake build type (as Debian's cmake builds).
# The install prefix /usr makes GNUInstallDirs choose Debian's multiarch
# library folder. Only the packaged targets are built: CPack's install must
# not build "all".
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="$cxxflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" -DCMAKE_INSTALL_PREFIX=/usr \
    -DCALC_TESTS=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "$@" >/dev/null
cmake --build "$build" -j"$(nproc)" --target calculadora calculadora_docs xgrafi objetos port
mkdir -p "$out"
rm -f "$out"/calculadora_*.deb "$out"/calculadora-dev_*.deb
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"

# Each package, and the packages its Depends line must name.
while read -r package needs; do
    set -- "$out/${package}"_*.deb
    deb=$1
    [ -f "$deb" ] || { echo "package.sh: no $package package in $out" >&2; exit 1; }
    depends="$(dpkg-deb -f "$deb" Depends)"
    for lib in $needs; do
        case ", $depends," in
            *", $lib "* | *", $lib,"*) ;;
            *) echo "package.sh: $lib missing from the Depends of $package: $depends" >&2; exit 1 ;;
        esac
    done
    echo "$deb: $(stat -c %s "$deb") bytes"
    echo "  Depends: $depends"
done <<EOF
calculadora libsdl1.2debian libsdl-image1.2 libsdl-ttf2.0-0 libpng16-16 libjpeg62-turbo zlib1g
calculadora-dev libsdl1.2-dev libsdl-image1.2-dev libsdl-ttf2.0-dev libpng-dev libjpeg-dev zlib1g-dev
EOF
echo "Maintainer: $(dpkg-deb -f "$deb" Maintainer)"
