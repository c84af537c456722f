#!/bin/sh
# The Windows installer under Wine, as a user meets it. First each program's
# resources (icon SDL_APP, version record, manifest) and the text files' CR LF.
# Then a table of silent installs (/S), each checked the same way: every file
# of the staged program folder in the folder the row expects, with an
# uninstaller and nothing else, its entry (InstallLocation) in the hive the
# row expects, a Start-menu shortcut that starts calculadora.exe in that
# folder with its icon, and no copy left anywhere else: for everyone into
# Program Files, then moved to a folder with blanks and non-Latin letters
# (/D=), then again without /D= (the same folder), and per user
# (/CurrentUser, the user's profile and HKCU). Then what the installed copy
# does: the calculator started as the shortcut says, and from another folder,
# shows its first frame, with its own icon on its window; a setup run and an
# uninstall while it runs fail and touch nothing; Escape ends it with 0; a
# table of damaged data files, each shown in a message box unless the output
# goes to a file; the gallery opens its window from that folder. Last, each
# copy's uninstaller, as the list of installed programs runs it, removes its
# files, shortcut, entry and the folders its install made, and nothing else.
# Runs in the Wine prefix and on the display of scripts/windows.sh test.
# Exits 77 (skipped) when the installer has not been made.
# usage: installer_wine.sh SETUP.exe STAGE_FOLDER RENDER_KEYS DATA_DIR
set -u
setup=$1 stage=$2 render=$3 data=$4
wine="${CALC_WINE:-/usr/lib/wine/wine64}"
[ -f "$setup" ] || { echo "skipped: no $setup (sh scripts/windows.sh makes it)"; exit 77; }
. "$(dirname "$0")/../support/xvfb.sh"
xvfb_start 91 "$work/xvfb.log" || fail "no X server"
export LC_ALL=C.UTF-8 # Wine takes the non-Latin folder names from the command line as UTF-8

key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Calculadora'
perfil="C:\\users\\$(id -un)"
moved='C:\Mis programas\Калькулятор 計算\Calculadora' # made by the install, two levels of it
winepath_of() { echo "Z:$1" | tr / '\\'; } # Wine's drive Z: is the root
unix_of() { printf '%s/drive_c/%s\n' "$WINEPREFIX" "$(printf %s "${1#C:\\}" | tr '\\' /)"; }
files=$(cd "$stage" && find . -maxdepth 1 -type f | sed 's|^\./||' | LC_ALL=C sort)
for f in $files; do
    case $f in
    *.txt) [ "$(grep -c '' "$stage/$f")" = "$(grep -c "$(printf '\r')\$" "$stage/$f")" ] ||
        fail "$f has lines that do not end in CR LF" ;;
    esac
done
echo "ok: the text files end their lines in CR LF"

# Each program's resources, as its resource directory lists them: the icon
# group named SDL_APP (SDL 1.2's window class takes that one), the version
# record (16) and the application manifest (24).
for exe in calculadora galeria consola; do
    x86_64-w64-mingw32-objdump -p "$stage/$exe.exe" | sed -n '/The .rsrc Resource Directory/,$p' >"$work/rsrc.txt"
    grep -q 'name: .*: SDL_APP,' "$work/rsrc.txt" || fail "$exe.exe has no icon named SDL_APP"
    for id in 000010 000018; do
        grep -qE "^0[0-9a-f]{2}   Entry: ID: 0x$id," "$work/rsrc.txt" || fail "$exe.exe has no resource of type 0x$id"
    done
done
echo "ok: each program carries the icon SDL_APP, a version record and a manifest"

# read_entry HIVE: the entry in HIVE (HKLM or HKCU), exported (UTF-16, which
# keeps every letter) into $work/entry.txt as UTF-8 lines, or nothing when
# there is none. entry NAME: the value NAME of that entry, as text.
read_entry() {
    rm -f "$work/entry.reg"
    if "$wine" reg export "$1\\$key" "$(winepath_of "$work/entry.reg")" /y >"$work/reg.txt" 2>&1; then
        iconv -f UTF-16 -t UTF-8 "$work/entry.reg" | tr -d '\r' >"$work/entry.txt" ||
            fail "cannot read the export of $1\\$key"
    else
        : >"$work/entry.txt"
    fi
}
entry() {
    sed -n "s/^\"$1\"=\(\"\(.*\)\"\|dword:\(.*\)\)\$/\2\3/p" "$work/entry.txt" |
        sed 's/\\\\/\\/g; s/\\"/"/g'
}

# A command line through cmd: NSIS reads /D= and _?= only unquoted, and Wine
# would quote an argument with a blank. The line reaches cmd whole, whatever
# its letters, in the environment.
# Now and then, on a loaded machine, Wine's cmd cannot start a program at all
# ("ShellExecuteEx failed: Internal error", status 1, before the program runs):
# that start, and only that, is tried once more.
run_cmd() {
    printf '@%%CALC_LINEA%%\r\n@exit /b %%ERRORLEVEL%%\r\n' >"$work/run.bat"
    CALC_LINEA=$1 "$wine" cmd /c "$(winepath_of "$work/run.bat")" >"$work/cmd.txt" 2>&1
    run_cmd_status=$?
    if [ $run_cmd_status != 0 ] && grep -q 'ShellExecuteEx failed' "$work/cmd.txt"; then
        echo "(Wine's cmd could not start it; once more)"
        CALC_LINEA=$1 "$wine" cmd /c "$(winepath_of "$work/run.bat")" >"$work/cmd.txt" 2>&1
        run_cmd_status=$?
    fi
    cat "$work/cmd.txt"
    return $run_cmd_status
}

# The shortcut's fields, read from the Shell Link file itself: its working
# folder and icon, and whether its target is TARGET. The target's path is
# ANSI in the link info; Wine keeps each name whole only in the item list,
# one item per folder, each holding its long name in UTF-16: every name of
# TARGET must be there, in order.
read_lnk() {
    python3 - "$1" "$2" <<'EOF'
import struct, sys
d = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", d, 0x14)[0]
at = 0x4C
names = sys.argv[2].split("\\")[1:]  # after the drive
if flags & 0x01:  # an item id list: root, drive, then one item per name
    end = at + 2 + struct.unpack_from("<H", d, at)[0]
    items = []
    at += 2
    while at < end and struct.unpack_from("<H", d, at)[0]:
        n = struct.unpack_from("<H", d, at)[0]
        items.append(d[at:at + n])
        at += n
    at = end
    whole = items[-len(names):] if len(items) >= len(names) else []
    same = len(whole) == len(names) and all(
        (name.encode("utf-16-le") + b"\0\0") in item for name, item in zip(names, whole))
    print("target=" + (sys.argv[2] if same else "other"))
if flags & 0x02:  # link info
    at += struct.unpack_from("<I", d, at)[0]
texts = {}
for bit, name in ((0x04, "name"), (0x08, "relative"), (0x10, "folder"), (0x20, "arguments"), (0x40, "icon")):
    if flags & bit:
        n = struct.unpack_from("<H", d, at)[0]
        size = 2 if flags & 0x80 else 1
        texts[name] = d[at + 2:at + 2 + n * size].decode("utf-16-le" if size == 2 else "latin-1")
        at += 2 + n * size
print("folder=" + texts.get("folder", ""))
print("icon=" + texts.get("icon", ""))
EOF
}

# installed FOLDER HIVE MENU: one copy, complete, in FOLDER, registered in HIVE,
# with its shortcut in the Start-menu folder MENU.
installed() {
    dir=$(unix_of "$1")
    for f in $files; do
        cmp -s "$stage/$f" "$dir/$f" || fail "$f not installed in $1 as staged"
    done
    [ -f "$dir/uninstall.exe" ] || fail "no uninstall.exe in $1"
    extra=$(cd "$dir" && ls | grep -vxF -e uninstall.exe $(printf ' -e %s' $files))
    [ -z "$extra" ] || fail "installed beside the program: $extra"
    read_entry "$2"
    [ "$(entry InstallLocation)" = "$1" ] ||
        fail "$2 entry: '$(entry InstallLocation)', not $1: $(cat "$work/entry.txt" "$work/reg.txt")"
    for field in DisplayName DisplayVersion Publisher DisplayIcon UninstallString EstimatedSize; do
        [ -n "$(entry $field)" ] || fail "$2 entry without $field: $(cat "$work/entry.txt")"
    done
    lnk="$(unix_of "$3")/Calculadora.lnk"
    read_lnk "$lnk" "$1\\calculadora.exe" >"$work/lnk.txt" || fail "no readable shortcut $lnk"
    grep -qixF "target=$1\\calculadora.exe" "$work/lnk.txt" || fail "shortcut target: $(cat "$work/lnk.txt")"
    grep -qixF "folder=$1" "$work/lnk.txt" || fail "shortcut folder: $(cat "$work/lnk.txt")"
    grep -qixF "icon=$1\\calculadora.exe" "$work/lnk.txt" || fail "shortcut icon: $(cat "$work/lnk.txt")"
}

# switches | folder | hive | Start menu | where no copy may be left
menu_all='C:\ProgramData\Microsoft\Windows\Start Menu\Programs'
menu_user="$perfil\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
while IFS='|' read -r switches folder hive menu gone <&3; do
    run_cmd "$(winepath_of "$setup") $switches" || fail "setup $switches: status $?"
    installed "$folder" $hive "$menu"
    [ -z "$gone" ] || [ ! -e "$(unix_of "$gone")" ] || fail "setup $switches: a copy is left in $gone"
    printf 'ok: setup %s installs one copy, in %s, registered in %s\n' "$switches" "$folder" $hive
done 3<<EOF
/S|C:\\Program Files\\Calculadora|HKLM|$menu_all|
/S /D=$moved|$moved|HKLM|$menu_all|C:\\Program Files\\Calculadora
/S|$moved|HKLM|$menu_all|C:\\Program Files\\Calculadora
/S /CurrentUser|$perfil\\AppData\\Local\\Programs\\Calculadora|HKCU|$menu_user|
EOF
dir=$(unix_of "$moved")

# icono_nuestro WHOSE: the icon on window $wid as Wine hands it to the window
# manager is the 16-pixel one of the programs' icon, which the window class took.
icono_nuestro() {
    xprop -notype -id "$wid" -f _NET_WM_ICON 32c _NET_WM_ICON | sed 's/^[^=]*= *//' |
        tr -d ' ' | tr , '\n' >"$work/icono.txt"
    convert "$data/icons/calculadora-16.png" -depth 8 rgba:- | od -An -v -tu1 -w4 |
        awk 'BEGIN { print 16; print 16 } { printf "%.0f\n", $4 * 16777216 + $1 * 65536 + $2 * 256 + $3 }' \
            >"$work/nuestro.txt"
    cmp -s "$work/icono.txt" "$work/nuestro.txt" ||
        fail "$1 window's icon is not the program's: $(head -c 80 "$work/icono.txt" | tr '\n' ' ')"
}

# Started as the shortcut says, in the install folder, and from another
# folder by its full path: the same first frame, the data files found beside
# the program. The first start also shows the program's own icon on its
# window, and a setup run while it runs stops before touching a file, with
# an error status.
for from in "$dir" /; do
    (cd "$from" && exec "$wine" "$moved\\calculadora.exe") >"$work/out.txt" 2>&1 &
    app_pid=$!
    primer_cero "started in $from, the installed program"
    if [ "$from" = "$dir" ]; then
        icono_nuestro "the calculator's"
        echo "ok: the calculator's own icon is on its window"
        ls -l --time-style=+%s.%N "$dir" >"$work/before.txt"
        run_cmd "$(winepath_of "$setup") /S" && fail "setup over a running copy ended with status 0"
        ls -l --time-style=+%s.%N "$dir" >"$work/after.txt"
        cmp -s "$work/before.txt" "$work/after.txt" || fail "setup over a running copy changed its files"
        run_cmd "\"$moved\\uninstall.exe\" /S _?=$moved" && fail "uninstall of a running copy ended with status 0"
        ls -l --time-style=+%s.%N "$dir" >"$work/after.txt"
        cmp -s "$work/before.txt" "$work/after.txt" || fail "uninstall of a running copy changed its files"
        echo "ok: setup and uninstall over a running copy fail and touch nothing"
    fi
    escape_acaba "calculadora.exe started in $from"
done

# A damaged data file: the reason, on standard output as ever, and when that
# goes nowhere a caller reads (here /dev/null, a character device, as a
# console is), also in a message box titled with the program's name;
# dismissed, the program ends with status 2. Read by a caller (a file), no box.
# file | damage | standard output | box | line
while IFS='|' read -r file damage out box line <&3; do
    cp "$dir/$file" "$work/$file"
    case $damage in
    missing) rm "$dir/$file" ;;
    300) head -c 300 "$work/$file" >"$dir/$file" ;;
    esac
    [ "$out" = file ] && out=$work/out.txt
    (cd "$dir" && exec "$wine" calculadora.exe) >"$out" 2>&1 &
    app_pid=$!
    if [ "$box" = yes ]; then
        wid=$(timeout 10 xdotool search --sync --onlyvisible --name '^Calculadora$' 2>/dev/null | head -n 1)
        [ -n "$wid" ] || fail "$file $damage: no message box"
        shot caja
        kill -0 "$app_pid" 2>/dev/null || fail "$file $damage: ended before the box was dismissed"
        xdotool windowfocus --sync "$wid" 2>/dev/null
        xdotool key Return
    fi
    app_wait "$file $damage"
    [ "$status" = 2 ] || fail "$file $damage: status $status"
    [ "$out" = /dev/null ] || grep -qxF "$line" "$out" || fail "$file $damage: no line $line in $(cat "$out")"
    cp "$work/$file" "$dir/$file"
    echo "ok: $file $damage, output to $out: box $box, status 2"
done 3<<EOF
caltrq.png|missing|/dev/null|yes|
fontlcd.ttf|300|/dev/null|yes|
caltrq.png|missing|file|no|Error al cargar caltrq.png$(printf '\r')
EOF

# The gallery finds its font beside itself, whatever the folder's name.
(cd / && exec "$wine" "$moved\\galeria.exe") >"$work/out.txt" 2>&1 &
app_pid=$!
wid=$(app_window)
[ -n "$wid" ] || fail "the gallery shows no window in $moved: $(cat "$work/out.txt")"
icono_nuestro "the gallery's"
escape_acaba "the gallery"
echo "ok: the gallery opens its window from $moved, with the programs' icon"

# Each copy's uninstaller as the list of installed programs starts it (it
# copies itself away and returns at once): the folders go, and those the
# install made, up to the one that was there before.
# folder | hive | must be gone | must stay
while IFS='|' read -r folder hive gone stays <&3; do
    run_cmd "\"$folder\\uninstall.exe\" /S" || fail "uninstall $folder: status $?"
    i=0
    while [ -e "$(unix_of "$gone")" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    [ ! -e "$(unix_of "$gone")" ] || fail "left after uninstalling: $(find "$(unix_of "$gone")" | head -n 5)"
    [ -d "$(unix_of "$stays")" ] || fail "uninstalling $folder removed $stays"
    read_entry $hive
    [ -z "$(entry InstallLocation)" ] || fail "the $hive entry is still there"
    printf 'ok: uninstalling %s removes it, its entry and the folders it made\n' "$folder"
done 3<<EOF
$moved|HKLM|C:\\Mis programas|C:\\
$perfil\\AppData\\Local\\Programs\\Calculadora|HKCU|$perfil\\AppData\\Local\\Programs\\Calculadora|$perfil\\AppData\\Local
EOF
for menu in "$menu_all" "$menu_user"; do
    [ ! -e "$(unix_of "$menu")/Calculadora.lnk" ] || fail "a shortcut is still in $menu"
done
echo "ok: no shortcut is left"
