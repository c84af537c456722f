#!/bin/sh
# The Windows installer under Wine, as a user meets it: a silent install
# (/S) puts every file of the staged program folder into Program Files\
# Calculadora, with an uninstaller, an entry in the list of installed
# programs and a Start-menu shortcut that starts calculadora.exe in that
# folder with its icon; the program started the way the shortcut says shows
# its first frame (it found its data files) and ends with status 0 on Escape;
# a silent uninstall (/S _?=FOLDER, which waits) removes all of it.
# Runs in the Wine prefix and on the display of scripts/windows.sh test.
# Exits 77 (skipped) when the installer has not been made.
# usage: installer_wine.sh SETUP.exe STAGE_FOLDER RENDER_KEYS DATA_DIR
set -u
setup=$1 stage=$2 render=$3 data=$4
wine="${CALC_WINE:-/usr/lib/wine/wine64}"
[ -f "$setup" ] || { echo "skipped: no $setup (sh scripts/windows.sh makes it)"; exit 77; }
. "$(dirname "$0")/../support/xvfb.sh"
xvfb_start 91 "$work/xvfb.log" || fail "no X server"

folder='C:\Program Files\Calculadora'
dir="$WINEPREFIX/drive_c/Program Files/Calculadora"
lnk="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Calculadora.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Calculadora'
winepath_of() { echo "Z:$1" | tr / '\\'; } # Wine's drive Z: is the root
files=$(cd "$stage" && find . -maxdepth 1 -type f | sed 's|^\./||' | LC_ALL=C sort)

"$wine" "$setup" /S || fail "the installer ended with status $?"
for f in $files; do
    cmp -s "$stage/$f" "$dir/$f" || fail "$f not installed as staged"
done
[ -f "$dir/uninstall.exe" ] || fail "no uninstall.exe"
extra=$(cd "$dir" && ls | grep -vxF -e uninstall.exe $(printf ' -e %s' $files))
[ -z "$extra" ] || fail "installed beside the program: $extra"
echo "ok: $(echo "$files" | wc -l) files and the uninstaller in $folder"

# The shortcut's fields, read from the Shell Link file itself: target, working
# folder and icon.
python3 - "$lnk" >"$work/lnk.txt" <<'EOF' || fail "no readable shortcut $lnk"
import struct, sys
d = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", d, 0x14)[0]
at = 0x4C
if flags & 0x01:  # an item id list
    at += 2 + struct.unpack_from("<H", d, at)[0]
target = ""
if flags & 0x02:  # link info, with the local base path
    info = d[at:at + struct.unpack_from("<I", d, at)[0]]
    base = struct.unpack_from("<I", info, 16)[0]
    target = info[base:info.index(b"\0", base)].decode("latin-1")
    at += len(info)
texts = {}
for bit, name in ((0x04, "name"), (0x08, "relative"), (0x10, "folder"), (0x20, "arguments"), (0x40, "icon")):
    if flags & bit:
        n = struct.unpack_from("<H", d, at)[0]
        size = 2 if flags & 0x80 else 1
        texts[name] = d[at + 2:at + 2 + n * size].decode("utf-16-le" if size == 2 else "latin-1")
        at += 2 + n * size
print("target=" + target)
print("folder=" + texts.get("folder", ""))
print("icon=" + texts.get("icon", ""))
EOF
grep -qixF "target=$folder\\calculadora.exe" "$work/lnk.txt" || fail "shortcut target: $(cat "$work/lnk.txt")"
grep -qixF "folder=$folder" "$work/lnk.txt" || fail "shortcut folder: $(cat "$work/lnk.txt")"
grep -qixF "icon=$folder\\calculadora.exe" "$work/lnk.txt" || fail "shortcut icon: $(cat "$work/lnk.txt")"
"$wine" reg query "$key" /v UninstallString 2>/dev/null | grep -qF "$folder\\uninstall.exe" ||
    fail "no uninstall entry in the registry"
echo "ok: the Start-menu shortcut starts calculadora.exe in $folder, with its icon; registered"

# Started as the shortcut says, in the install folder, away from the sources.
(cd "$dir" && exec "$wine" "$folder\\calculadora.exe") >"$work/out.txt" 2>&1 &
app_pid=$!
wid=$(app_window)
[ -n "$wid" ] || fail "the installed program shows no window: $(cat "$work/out.txt")"
shot start
(cd "$data" && reference zero "")
same start.png zero.bmp
xdotool windowfocus --sync "$wid" 2>/dev/null
xdotool key Escape
app_wait Escape
[ "$status" = 0 ] || fail "Escape: status $status"
echo "ok: the installed program shows its first frame; Escape ends it with 0"

# NSIS reads _?= only unquoted, the rest of the line its folder: Wine would
# quote an argument with a blank, so the line goes through a batch file.
printf '@"%s\\uninstall.exe" /S _?=%s\r\n@exit /b %%ERRORLEVEL%%\r\n' "$folder" "$folder" >"$work/quitar.bat"
"$wine" cmd /c "$(winepath_of "$work/quitar.bat")" || fail "the uninstaller ended with status $?"
[ ! -e "$lnk" ] || fail "the shortcut is still there"
left=$(cd "$dir" && ls | grep -vx uninstall.exe)
[ -z "$left" ] || fail "left after uninstalling: $left"
"$wine" reg query "$key" >/dev/null 2>&1 && fail "the uninstall entry is still there"
# Run in place (_?=), the uninstaller cannot remove itself: that is the caller's.
rm -f "$dir/uninstall.exe" && rmdir "$dir" || fail "cannot remove $dir"
echo "ok: a silent uninstall removes the files, the shortcut and the entry"
