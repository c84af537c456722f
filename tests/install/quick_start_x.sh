#!/bin/sh
# The README's first command as a newcomer meets it: `sh scripts/run.sh`, run
# as root in a bare Debian 12 (debootstrap --variant=minbase, nothing else
# installed) from a copy of the source tree. It must install what the
# calculator needs, build it and start it on this test's X server: the window
# maps, the first frame shows «0», and Escape ends it with status 0.
# The bare system comes from the Debian archive this machine's own apt sources
# name. It is made once and kept as a tarball in CALC_BARE_CACHE (default
# /var/cache/calculadora); each run unpacks a fresh copy, mounts /proc, /dev
# and the X server's socket folder into it, and unmounts them all before the
# copy is removed.
# usage: quick_start_x.sh SOURCE_DIR
# Exits 77 (skipped) when not root, or when debootstrap, chroot, Xvfb,
# xdotool or ImageMagick is missing.
set -u
src=$(cd "$1" && pwd)
[ "$(id -u)" = 0 ] || { echo "skipped: needs root for debootstrap and chroot"; exit 77; }
for tool in debootstrap chroot Xvfb xdotool import convert; do
    command -v $tool >/dev/null 2>&1 || { echo "skipped: $tool missing"; exit 77; }
done

. "$(dirname "$0")/../support/xvfb.sh"

# The first Debian archive of the machine's apt sources: deb822 .sources files
# (URIs:) or one-line sources.list entries.
mirror=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
    sed -n 's|^URIs: *\([^ ]*/debian\)/\{0,1\}$|\1|p' | head -n 1)
[ -n "$mirror" ] || mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    sed -n 's|^deb \(\[[^]]*\] \)\{0,1\}\([^ ]*/debian\)/\{0,1\} .*|\2|p' | head -n 1)
[ -n "$mirror" ] || fail "no Debian archive in this machine's apt sources"

arch=$(dpkg --print-architecture)
cache=${CALC_BARE_CACHE:-/var/cache/calculadora}
tarball=$cache/bookworm-minbase-$arch.tar
mkdir -p "$cache"
# One maker of the tarball at a time; a half-made one is never kept.
(
    flock 9
    if [ ! -s "$tarball" ]; then
        echo "making the bare system from $mirror (kept in $tarball)"
        rm -rf "$tarball.d"
        debootstrap --variant=minbase bookworm "$tarball.d" "$mirror" >"$work/debootstrap.log" 2>&1 ||
            { tail -n 20 "$work/debootstrap.log"; rm -rf "$tarball.d"; exit 1; }
        tar -C "$tarball.d" -cf "$tarball.tmp" . && mv "$tarball.tmp" "$tarball"
        rm -rf "$tarball.d"
    fi
) 9>"$cache/.lock" || fail "debootstrap failed"

# The copy lives outside $work: x_finish removes $work without looking for
# mounts, so the copy is unmounted and removed first, by bare_finish.
root=$(mktemp -d /var/tmp/calc-bare.XXXXXX)
mounted() { awk -v r="$root/" 'index($2 "/", r) == 1 { print $2 }' /proc/mounts; }
bare_finish() {
    for link in /proc/[0-9]*/root; do
        [ "$(readlink "$link" 2>/dev/null)" = "$root" ] && kill -9 "$(basename "$(dirname "$link")")" 2>/dev/null
    done
    mounted | sort -r | while read -r m; do umount -l "$m"; done
    if [ -n "$(mounted)" ]; then
        echo "left in place, still mounted: $(mounted | tr '\n' ' ')"
    else
        rm -rf --one-file-system "$root"
    fi
    x_finish
}
trap bare_finish EXIT

tar -C "$root" -xf "$tarball" || fail "unpacking $tarball"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# The tree as it stands, without build folders or anything git ignores.
mkdir "$root/root/calculadora"
if git -C "$src" rev-parse --git-dir >/dev/null 2>&1; then
    (cd "$src" && git ls-files -z --cached --others --exclude-standard |
        tar -cf - --no-recursion --ignore-failed-read --null -T -) | tar -C "$root/root/calculadora" -xf -
else
    tar -C "$src" -cf - --exclude='./build*' --exclude=./out . | tar -C "$root/root/calculadora" -xf -
fi

xvfb_start 131 "$work/xvfb.log" || fail "Xvfb did not start"
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev"
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"

# A login shell's environment, nothing of this one's; chroot, env and sh all
# exec, so the process started here becomes the calculator.
start=$(date +%s)
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    DISPLAY="$DISPLAY" LANG=C.UTF-8 sh -c 'cd /root/calculadora && exec sh scripts/run.sh' \
    >"$work/run.log" 2>&1 </dev/null &
app_pid=$!

# Installing and building take minutes: the window is waited for as long as
# the command runs, up to 15 minutes.
wid=''
while [ -z "$wid" ] && kill -0 "$app_pid" 2>/dev/null; do
    [ $(($(date +%s) - start)) -gt 900 ] && fail "no window after 15 minutes: $(tail -n 20 "$work/run.log")"
    sleep 1
    wid=$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | head -n 1)
done
[ -n "$wid" ] || fail "sh scripts/run.sh ended without a window: $(tail -n 30 "$work/run.log")"
grep '^Installing:' "$work/run.log"
echo "ok: the window mapped $(($(date +%s) - start)) s after sh scripts/run.sh started"

# The display colour 133, 248, 73 lights the last column with a «0».
shot first 1
lit=$(convert "$work/first.png" -crop 15x35+216+168 +repage txt:- | grep -ci '#85F849')
[ "$lit" -ge 100 ] || fail "the first frame shows no 0 ($lit pixels lit)"
echo "ok: the first frame shows 0"

xdotool windowfocus --sync "$wid" mousemove --window "$wid" 120 100 key Escape
app_wait Escape
[ "$status" = 0 ] || fail "Escape ended it with status $status: $(tail -n 20 "$work/run.log")"
echo "ok: Escape ends it with status 0"
