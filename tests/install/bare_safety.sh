#!/bin/sh
# The bare-system test (quick_start_x.sh) cannot reach the machine that runs
# it, however it ends. It runs here in a throwaway mount and PID namespace
# whose /tmp, /var/tmp, /var/cache and /dev are tmpfs of its own (so a fault could only
# ever unmount, kill or remove what this test made), against a stand-in for
# the bare system (sh, env and sleep with their libraries) and a command that
# sleeps in it. Each row ends it one way once its mounts are made, or starts
# it with /var/tmp read-only; then the namespace must have the mounts, the
# files in /tmp, /var/tmp and /dev, and no process of the test left.
# usage: bare_safety.sh QUICK_START_SCRIPT SOURCE_DIR
# Exits 77 (skipped) when not root, or when a tool the script needs is missing.
set -u
[ "$(id -u)" = 0 ] || { echo "skipped: needs root for namespaces"; exit 77; }
for tool in unshare chroot Xvfb xdotool import convert debootstrap; do
    command -v $tool >/dev/null 2>&1 || { echo "skipped: $tool missing"; exit 77; }
done
script=$(cd "$(dirname "$1")" && pwd)/$(basename "$1") src=$(cd "$2" && pwd) || exit 1
# In a plain chroot / is no mount point and cannot be made private.
mountpoint -q / || { echo "skipped: / is not a mount point (a chroot?): no private mounts"; exit 77; }
if [ $$ != 1 ]; then
    exec unshare --mount --propagation private --pid --fork --kill-child --mount-proc \
        sh "$0" "$script" "$src"
fi
trap 'exit 143' TERM
fail() { echo "FAIL: $*"; exit 1; }

mount -t tmpfs -o mode=1777 safety-tmp /tmp && mount -t tmpfs -o mode=1777 safety-vartmp /var/tmp &&
    mount -t tmpfs -o mode=0755 safety-cache /var/cache &&
    mount -t tmpfs -o mode=0755 safety-dev /dev || fail "no throwaway /tmp, /var/tmp, /var/cache and /dev"
for node in "null 1 3" "zero 1 5" "random 1 8" "urandom 1 9" "tty 5 0"; do
    set -- $node
    mknod -m 666 "/dev/$1" c "$2" "$3"
done
mkdir /dev/pts && mount -t devpts -o newinstance,ptmxmode=0666 safety-pts /dev/pts &&
    ln -s pts/ptmx /dev/ptmx || fail "no /dev/pts"
touch /dev/witness /var/tmp/witness

# The stand-in, where the script keeps the bare system: the programs the
# command runs, with the libraries they load.
cache=/var/cache/calculadora mini=/tmp/mini
mkdir -p "$cache" "$mini/root" "$mini/proc" "$mini/dev" "$mini/etc" "$mini/tmp"
for exe in /bin/sh /usr/bin/env /usr/bin/sleep /usr/bin/true; do
    for file in "$exe" $(ldd "$exe" | grep -o '/[^ ]*'); do
        mkdir -p "$mini$(dirname "$file")" && cp -L "$file" "$mini$file"
    done
done
tar -C "$mini" -cf "$cache/bookworm-minbase-$(dpkg --print-architecture).tar" . || fail "stand-in"
rm -rf "$mini"
touch "$cache/.lock" # the script's own, kept beside the tarball

state() {
    awk '{ print $5 }' /proc/self/mountinfo | sort
    ls -A /tmp /var/tmp /var/cache/calculadora /dev
}
# The test's processes still there: its shell, unshare, the X server, the
# command in the copy.
left() {
    for p in /proc/[0-9]*; do
        case $(tr '\0' ' ' <"$p/cmdline" 2>/dev/null) in
            *bare_safety.sh*) ;; # this test
            *quick_start_x.sh* | unshare* | Xvfb* | sleep* | openbox*) echo "${p#/proc/}" ;;
        esac
    done
}
before=$(state)

# row HOW: HOW is "TERM group", "KILL process" or "read-only /var/tmp".
row() {
    echo "== $1"
    log=/tmp/row.log
    [ "$1" = "read-only /var/tmp" ] && mount -o remount,ro /var/tmp
    cmd="sleep 600"
    [ "$1" = "read-only /var/tmp" ] && cmd=true
    setsid sh "$script" "$src" "$cmd" >"$log" 2>&1 </dev/null &
    pid=$!
    i=0
    until grep -q '^started' "$log" || ! kill -0 "$pid" 2>/dev/null; do
        i=$((i + 1))
        [ $i -gt 600 ] && fail "$1: the bare system never started: $(cat "$log")"
        sleep 0.05
    done
    case $1 in
        "TERM group") kill -TERM "-$pid" ;;
        "KILL process") kill -KILL "$pid" ;;
    esac || fail "$1: it ended before its mounts were made: $(cat "$log")"
    i=0
    while kill -0 "$pid" 2>/dev/null; do
        i=$((i + 1))
        [ $i -gt 200 ] && fail "$1: still running 10 s later"
        sleep 0.05
    done
    wait "$pid"
    echo "ended with status $?"
    sleep 0.2 # the namespaces' last processes are reaped
    [ "$1" = "read-only /var/tmp" ] && mount -o remount,rw /var/tmp
    sed "s/^/    /" "$log"
    rm -f "$log"
    [ -z "$(left)" ] || fail "$1: processes left: $(left | tr '\n' ' ')"
    after=$(state)
    [ "$after" = "$before" ] ||
        fail "$1: mounts or files changed: $(printf '%s\n' "$before" "$after" | sort | uniq -u | tr '\n' ' ')"
    echo "ok: nothing left, nothing touched"
}
row "TERM group"
row "KILL process"
row "read-only /var/tmp"
