#!/bin/sh
# Builds the Debian package of the calculator into out/ (or the folder given
# as argument) from a build in build-package/ (stripped when packed), and shows
# its size and Depends line:
#   sh scripts/package.sh [FOLDER]
# dpkg-shlibdeps (package dpkg-dev) works the Depends line out from the
# libraries the executable links; a package missing the SDL libraries there
# is refused.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/out}"
cd "$root"
scripts/deps.sh
command -v dpkg-shlibdeps >/dev/null 2>&1 ||
    { echo "package.sh: dpkg-shlibdeps missing: apt-get install dpkg-dev" >&2; exit 1; }

# Only the packaged targets are built: CPack's install must not build "all".
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCALC_TESTS=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build build-package -j"$(nproc)" --target calculadora calculadora_man
mkdir -p "$out"
rm -f "$out"/calculadora_*.deb
cpack --config build-package/CPackConfig.cmake -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"

set -- "$out"/calculadora_*.deb
deb=$1
depends="$(dpkg-deb -f "$deb" Depends)"
for lib in libsdl1.2debian libsdl-image1.2 libsdl-ttf2.0-0; do
    case ", $depends," in
        *", $lib "* | *", $lib,"*) ;;
        *) echo "package.sh: $lib missing from Depends: $depends" >&2; exit 1 ;;
    esac
done
echo "$deb: $(stat -c %s "$deb") bytes"
echo "Depends: $depends"
