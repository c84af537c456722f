#!/bin/sh
# The README's first command as a newcomer meets it: `sh scripts/run.sh`, run
# as root in a bare Debian 12 (debootstrap --variant=minbase, nothing else
# installed) from a copy of the source tree. It must install what the
# calculator needs, build it and start it on this test's X server: the window
# maps, the first frame shows «0», and Escape ends it with status 0.
# The bare system comes from the Debian archive this machine's own apt sources
# name. It is made once and kept as a tarball in CALC_BARE_CACHE (default
# /var/cache/calculadora).
# All the rest happens in namespaces of the test's own: a mount namespace in
# which /tmp is a fresh tmpfs holding the copy, its /dev, its /proc and the X
# server with its socket, and a PID namespace whose first process is this
# script. The kernel drops them, and ends every process in them, when that
# process ends, however it ends (on SIGKILL too: unshare --kill-child passes
# its own end on). Nothing is unmounted or removed by hand, and nothing of the
# machine's is mounted into the copy.
# usage: quick_start_x.sh SOURCE_DIR [COMMAND]
# COMMAND runs in the copy's source folder instead of `sh scripts/run.sh`: the
# test of this script's own safety (bare_safety.sh) runs it so.
# Exits 77 (skipped) when not root, or when unshare, debootstrap, chroot, Xvfb,
# xdotool or ImageMagick is missing.
set -u
[ "$(id -u)" = 0 ] || { echo "skipped: needs root for debootstrap, chroot and namespaces"; exit 77; }
for tool in unshare debootstrap chroot Xvfb xdotool import convert; do
    command -v $tool >/dev/null 2>&1 || { echo "skipped: $tool missing"; exit 77; }
done
src=$(cd "$1" && pwd) || exit 1
command=${2:-sh scripts/run.sh}

# Only the first process of a PID namespace has the process ID 1: anywhere
# else this script starts itself again in namespaces of its own first.
# In a plain chroot / is no mount point and cannot be made private.
mountpoint -q / || { echo "skipped: / is not a mount point (a chroot?): no private mounts"; exit 77; }
if [ $$ != 1 ]; then
    exec unshare --mount --propagation private --pid --fork --kill-child --mount-proc \
        sh "$0" "$src" "$command"
fi
# As that first process it ignores any signal it has no handler for.
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP
mount -t tmpfs -o mode=1777 calc-bare-tmp /tmp || { echo "FAIL: no tmpfs of its own on /tmp"; exit 1; }
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
case $cache in /?*) ;; *) fail "CALC_BARE_CACHE must be an absolute path: '$cache'" ;; esac
tarball=$cache/bookworm-minbase-$arch.tar
mkdir -p "$cache" || fail "no folder $cache"
# One maker of the tarball at a time; a half-made one is never kept. What
# debootstrap mounts in its folder is in this namespace: a folder left by one
# that was ended holds no mount, and its removal stays on its own filesystem.
(
    flock 9
    if [ ! -s "$tarball" ]; then
        echo "making the bare system from $mirror (kept in $tarball)"
        rm -rf --one-file-system "$tarball.d"
        debootstrap --variant=minbase bookworm "$tarball.d" "$mirror" >"$work/debootstrap.log" 2>&1 ||
            { tail -n 20 "$work/debootstrap.log"; exit 1; }
        tar -C "$tarball.d" -cf "$tarball.tmp" . && mv "$tarball.tmp" "$tarball"
        rm -rf --one-file-system "$tarball.d"
    fi
) 9>"$cache/.lock" || fail "debootstrap failed"

# The copy, in this namespace's /tmp.
root=$(mktemp -d /tmp/calc-bare.XXXXXX) || fail "no folder for the bare system"
case $root in /tmp/calc-bare.??????) [ -d "$root" ] || fail "no folder $root" ;; *) fail "odd folder '$root'" ;; esac

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
mount -t proc proc "$root/proc" || fail "no /proc in the bare system"
# Its /dev: a tmpfs with the few devices a build uses, and terminals of its own.
mount -t tmpfs -o mode=0755 calc-bare-dev "$root/dev" || fail "no /dev in the bare system"
for node in "null 1 3" "zero 1 5" "full 1 7" "random 1 8" "urandom 1 9" "tty 5 0"; do
    set -- $node
    mknod -m 666 "$root/dev/$1" c "$2" "$3" || fail "mknod $1"
done
mkdir "$root/dev/pts" "$root/dev/shm"
mount -t devpts -o newinstance,ptmxmode=0666 calc-bare-pts "$root/dev/pts" &&
    mount -t tmpfs -o mode=1777 calc-bare-shm "$root/dev/shm" || fail "no /dev/pts or /dev/shm"
ln -s pts/ptmx "$root/dev/ptmx"
ln -s /proc/self/fd "$root/dev/fd"
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix" || fail "no X socket in the bare system"

# A login shell's environment, nothing of this one's; chroot, env and sh all
# exec, so the process started here becomes the calculator.
start=$(date +%s)
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    DISPLAY="$DISPLAY" LANG=C.UTF-8 sh -c "cd /root/calculadora && exec $command" \
    >"$work/out.txt" 2>&1 </dev/null &
app_pid=$!
echo "started: $command, in the bare system"

# Installing and building take minutes: the window is waited for as long as
# the command runs, up to 15 minutes.
wid=''
while [ -z "$wid" ] && kill -0 "$app_pid" 2>/dev/null; do
    [ $(($(date +%s) - start)) -gt 900 ] && fail "no window after 15 minutes: $(salida)"
    sleep 1
    wid=$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | head -n 1)
done
[ -n "$wid" ] || fail "$command ended without a window: $(tail -n 30 "$work/out.txt")"
grep '^Installing:' "$work/out.txt"
echo "ok: the window mapped $(($(date +%s) - start)) s after sh scripts/run.sh started"
primer_cero "the calculator" 1
escape_acaba "the calculator"
