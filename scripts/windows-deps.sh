#!/bin/sh
# Builds the libraries the Windows program links, as static MinGW-w64
# libraries with their headers and pkg-config files, and prints the folder
# that holds them (its last line of output; everything else goes to stderr):
#   SDL 1.2, zlib, libpng, libjpeg-turbo and FreeType from Debian's source
#   packages (apt-get source, through a private apt configuration whose deb-src
#   entries are derived from this machine's own apt sources);
#   SDL_image 1.2 and SDL_ttf 2.0 from the folder CALC_SDL_SOURCES (default:
#   ../shared/vendor beside the clone), one compiler command per C file;
#   GoogleTest from Debian's googletest package (/usr/src/googletest), for
#   the test suite.
# The result is cached in ${XDG_CACHE_HOME:-$HOME/.cache}/calculadora/windows,
# in a folder named after a key made of the Debian source versions, a hash of
# the two vendored libraries' files, the compiler and MinGW runtime package
# versions and a hash of this recipe: a second run with the same inputs costs
# a second or two.
#   sh scripts/windows-deps.sh
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
sources="${CALC_SDL_SOURCES:-$(dirname "$root")/shared/vendor}"
cache="${CALC_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/calculadora/windows}"
host=x86_64-w64-mingw32
cc=$host-gcc-posix
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
debian_sources="libsdl1.2 zlib libpng1.6 libjpeg-turbo freetype"
jobs=2

say() { echo "windows-deps: $*" >&2; }

for f in SDL_image-1.2/SDL_image.h SDL_image-1.2/IMG_png.c SDL_ttf-2.0/SDL_ttf.c; do
    [ -f "$sources/$f" ] || { say "no $sources/$f (set CALC_SDL_SOURCES)"; exit 3; }
done
sources="$(cd "$sources" && pwd)"
mkdir -p "$cache"
exec 9>"$cache/lock"
flock 9 # one build at a time into the cache

# --- A private apt configuration for Debian's source packages --------------
# deb-src entries made from this machine's apt sources (deb822 files or the
# one-line sources.list), with lists of their own under the cache.
apt="$cache/apt"
apt_opts="-o Dir::Etc::SourceList=$apt/sources.list -o Dir::Etc::SourceParts=$apt/sources.list.d
 -o Dir::State::Lists=$apt/lists -o Dir::Cache=$apt/cache -o Debug::NoLocking=1"
[ "$(id -u)" = 0 ] && apt_opts="$apt_opts -o APT::Sandbox::User=root"
apt_sources() {
    mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial"
    : >"$apt/sources.list.new"
    rm -f "$apt/sources.list.d/"*
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && sed 's/^Types:.*/Types: deb-src/' "$f" >"$apt/sources.list.d/$(basename "$f")"
    done
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] && sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >>"$apt/sources.list.new"
    done
    mv "$apt/sources.list.new" "$apt/sources.list"
}
# The lists are fetched when missing or a day old.
if [ -z "$(find "$apt/lists" -maxdepth 1 -name '*Sources*' -mtime -1 2>/dev/null)" ]; then
    apt_sources
    say "apt-get update (source lists)"
    # shellcheck disable=SC2086
    apt-get $apt_opts update -qq >&2 || say "apt-get update failed; using the lists there are"
fi

# The extracted source tree of PACKAGE, in $cache/src: the newest version the
# lists name that can be fetched (a list can be ahead of the archive), or one
# fetched before. Sets $tree and $version.
fetch() {
    for version in $(apt-cache $apt_opts showsrc --only-source "$1" 2>/dev/null |
        sed -n 's/^Version: //p' | sort -urV); do
        tree="$cache/src/$1_$(echo "$version" | tr : _)" # make wants no colons in paths
        [ -f "$tree/.complete" ] && return 0
        rm -rf "$tree" "$cache/src/tmp"
        mkdir -p "$cache/src/tmp"
        # shellcheck disable=SC2086
        if (cd "$cache/src/tmp" && apt-get $apt_opts source -qq "$1=$version" >/dev/null 2>&1); then
            mv "$(find "$cache/src/tmp" -mindepth 1 -maxdepth 1 -type d)" "$tree"
            rm -rf "$cache/src/tmp"
            touch "$tree/.complete"
            say "fetched $1 $version"
            return 0
        fi
    done
    rm -rf "$cache/src/tmp"
    say "cannot fetch the source package $1 (is dpkg-dev installed, and the archive reachable?)"
    exit 1
}

key_text=""
for p in $debian_sources; do
    fetch "$p"
    key_text="$key_text$p $version
"
    eval "src_$(echo "$p" | tr -c 'a-z0-9\n' _)=\"\$tree\""
done
vendor_hash=$(cd "$sources" && find SDL_image-1.2 SDL_ttf-2.0 -type f | LC_ALL=C sort | xargs sha256sum | sha256sum | cut -c1-16)
key_text="${key_text}SDL_image+SDL_ttf $vendor_hash
$(dpkg-query -W googletest g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev 2>/dev/null)
recipe $(cat "$0" "$toolchain" | sha256sum | cut -c1-16)
"
key=$(printf '%s' "$key_text" | sha256sum | cut -c1-16)
prefix="$cache/$key"
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

# --- The build --------------------------------------------------------------
say "building into $prefix"
rm -rf "$prefix" "$cache/build"
mkdir -p "$prefix" "$cache/build"
work="$cache/build"
log() { echo "$work/$1.log"; }
# run NAME COMMAND...: the command with its output in NAME's log, shown on failure.
run() {
    name=$1
    shift
    if ! "$@" >>"$(log "$name")" 2>&1; then
        say "$name failed: $*"
        tail -n 30 "$(log "$name")" >&2
        return 1
    fi
}
cmake_build() {
    name=$1 src=$2
    shift 2
    run "$name" cmake -S "$src" -B "$work/$name" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCALC_WINDOWS_DEPS="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
        -DBUILD_SHARED_LIBS=OFF "$@" &&
        run "$name" cmake --build "$work/$name" -j$jobs &&
        run "$name" cmake --install "$work/$name"
}

# SDL 1.2 takes longest, mostly in its configure script: it builds beside the
# others. Debian's dont_propagate_lpthread.diff drops -lmingw32 -lSDLmain
# -mwindows from sdl-config --libs and sdl.pc, which Windows programs need:
# it is taken back out. The standard streams stay where the caller put them
# (--disable-stdio-redirect; SDL_STDIO_REDIRECT=1 still asks for stdout.txt).
build_sdl() {
    cp -R "$src_libsdl1_2" "$work/sdl-src"
    (cd "$work/sdl-src" && run sdl patch -R -p1 -i debian/patches/dont_propagate_lpthread.diff) &&
        mkdir -p "$work/sdl" &&
        (cd "$work/sdl" && run sdl "$work/sdl-src/configure" --host=$host --prefix="$prefix" \
            --disable-shared --enable-static --disable-stdio-redirect CFLAGS=-O2) &&
        run sdl make -C "$work/sdl" -j$jobs &&
        run sdl make -C "$work/sdl" install
}
build_sdl &
sdl_pid=$!

cp -R "$src_zlib" "$work/zlib"
(cd "$work/zlib" && run zlib env CHOST=$host ./configure --static --prefix="$prefix") &&
    run zlib make -C "$work/zlib" -j$jobs libz.a &&
    run zlib make -C "$work/zlib" install
cmake_build jpeg "$src_libjpeg_turbo" -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF
cmake_build png "$src_libpng1_6" -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_ROOT="$prefix"
cmake_build freetype "$src_freetype" -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON \
    -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_REQUIRE_ZLIB=ON -DZLIB_ROOT="$prefix"
cmake_build googletest /usr/src/googletest -DBUILD_GMOCK=OFF
wait $sdl_pid || exit 1

# SDL_image and SDL_ttf: each C file compiled on its own, then archived. The
# image formats are SDL_image's own defaults, less TIFF and WebP (no library
# here: their files compile to the stubs IMG.c calls); PNG and JPEG are linked
# in, not loaded at run time.
export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH=
# `-Dmain=SDL_main` is only for programs; warnings are the libraries' own.
cflags="-O2 -w $(pkg-config --cflags sdl libpng libjpeg freetype2 | sed 's/-Dmain=SDL_main//')"
# vendored NAME FOLDER DEFINES FILE...: lib$NAME.a from the files of FOLDER.
vendored() {
    name=$1 dir=$2 defines=$3
    shift 3
    mkdir -p "$work/$name"
    for f in "$@"; do
        # shellcheck disable=SC2086
        run "$name" $cc $cflags $defines -c "$sources/$dir/$f" -o "$work/$name/${f%.c}.o" || return 1
    done
    run "$name" $host-ar rcs "$prefix/lib/lib$name.a" "$work/$name"/*.o &&
        cp "$sources/$dir/$name.h" "$prefix/include/SDL/"
}
formats="-DLOAD_BMP -DLOAD_GIF -DLOAD_JPG -DLOAD_LBM -DLOAD_PCX -DLOAD_PNG -DLOAD_PNM -DLOAD_TGA
 -DLOAD_XCF -DLOAD_XPM -DLOAD_XV"
vendored SDL_image SDL_image-1.2 "$formats" \
    $(cd "$sources/SDL_image-1.2" && ls IMG*.c)
vendored SDL_ttf SDL_ttf-2.0 "" SDL_ttf.c

# version_of HEADER PREFIX: "major.minor.patch" from the header's version macros.
version_of() {
    for part in MAJOR_VERSION MINOR_VERSION PATCHLEVEL; do
        sed -n "s/^#define $2_$part[[:space:]]*\([0-9]*\).*/\1/p" "$1"
    done | paste -sd.
}
# pc NAME VERSION REQUIRES.PRIVATE DESCRIPTION
pc() {
    cat >"$prefix/lib/pkgconfig/$1.pc" <<EOF
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: $1
Description: $4
Version: $2
Requires: sdl >= 1.2.10
Requires.private: $3
Libs: -L\${libdir} -l$1
Cflags: -I\${includedir}/SDL
EOF
}
pc SDL_image "$(version_of "$sources/SDL_image-1.2/SDL_image.h" SDL_IMAGE)" "libpng libjpeg" \
    "image loading library for Simple DirectMedia Layer"
pc SDL_ttf "$(version_of "$sources/SDL_ttf-2.0/SDL_ttf.h" SDL_TTF)" freetype2 \
    "TrueType font library for Simple DirectMedia Layer"

# The licences of all that goes into the Windows programs, one file to ship
# beside them.
{
    echo "The Windows programs of Calculadora contain these libraries, built from"
    echo "the sources named (Debian source packages and the SDL project's branches):"
    echo
    printf '%s' "$key_text" | sed -n '/^SDL_image/q;s/^/  /p'
    echo "  SDL_image 1.2 and SDL_ttf 2.0 from CALC_SDL_SOURCES (files' hash $vendor_hash)"
    for entry in "SDL 1.2|$src_libsdl1_2/COPYING" "SDL_image 1.2|$sources/SDL_image-1.2/COPYING" \
        "SDL_ttf 2.0|$sources/SDL_ttf-2.0/COPYING" "zlib|$src_zlib/LICENSE" \
        "libpng|$src_libpng1_6/LICENSE" "libjpeg-turbo|$src_libjpeg_turbo/LICENSE.md" \
        "libjpeg-turbo: the IJG's README|$src_libjpeg_turbo/README.ijg" \
        "FreeType (under the FreeType License)|$src_freetype/docs/FTL.TXT"; do
        printf '\n\n==== %s ====\n\n' "${entry%%|*}"
        cat "${entry#*|}"
    done
} >"$prefix/third-party-licenses.txt"

printf '%s' "$key_text" >"$prefix/key.txt"
rm -rf "$work"
touch "$prefix/.complete"
say "done"
echo "$prefix"
