# Sourced by the scripts that run a program on both SDL 1.2 libraries.
# sdl12compat EXE prints the folder of sdl12-compat's libSDL-1.2.so.0 (SDL 1.2
# carried over SDL 2), which Debian puts in sdl12-compat/ beside the classic
# one that EXE loads; nothing, and status 1, when it is not installed.
sdl12compat() {
    sdl12compat_classic=$(env -u LD_LIBRARY_PATH ldd "$1" |
        sed -n 's/.*libSDL-1\.2\.so\.0 => \([^ ]*\) .*/\1/p')
    sdl12compat_dir=$(dirname "${sdl12compat_classic:-/nonexistent/x}")/sdl12-compat
    [ -e "$sdl12compat_dir/libSDL-1.2.so.0" ] && echo "$sdl12compat_dir"
}
