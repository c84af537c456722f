#!/bin/sh
# Installs the component "calculadora" with a prefix under a scratch folder
# whose name holds a blank and a quote, and checks it as a desktop and a
# shell would use it: exactly the expected files, icons of the sizes their
# folders name, a desktop entry that desktop-file-validate accepts, AppStream
# metadata that appstreamcli validates under the entry's id, a man page that
# man finds and formats without warnings. Then it starts the command in bin/,
# the launcher, from an unrelated folder under Xvfb, the way the entry's Exec=
# says: the window belongs to the launcher's own process, which now runs the
# installed program in the data folder with the arguments given; its class
# matches StartupWMClass=, its first frame render_keys' frame with the «0» in
# the display colour, and the "on" key ends it with status 0 and the line
# "END". Last, the exit statuses of failed starts come back through the
# launcher.
# usage: install_x.sh CMAKE BUILD_DIR RENDER_KEYS APP_ID
# Exits 77 (skipped) when Xvfb, xdotool, xprop, ImageMagick,
# desktop-file-validate or appstreamcli is missing; without man the man page
# is not checked.
set -u
cmake=$1 build=$2 render=$3 app_id=$4
. "$(dirname "$0")/../support/xvfb.sh"
necesita Xvfb xdotool xprop import compare identify convert desktop-file-validate appstreamcli

prefix="$work/mis cosas'/usr"
"$cmake" --install "$build" --prefix "$prefix" --component calculadora \
    >"$work/install.log" 2>&1 || fail "cmake --install: $(cat "$work/install.log")"

# Everything a desktop needs, and nothing else (no library, header or test).
cat >"$work/expected" <<EOF
/bin/calculadora
/libexec/calculadora/calculadora
/share/applications/$app_id.desktop
/share/calculadora/caltrq.png
/share/calculadora/fontlcd.ttf
/share/doc/calculadora/changelog.gz
/share/doc/calculadora/copyright
/share/icons/hicolor/128x128/apps/calculadora.png
/share/icons/hicolor/16x16/apps/calculadora.png
/share/icons/hicolor/24x24/apps/calculadora.png
/share/icons/hicolor/256x256/apps/calculadora.png
/share/icons/hicolor/32x32/apps/calculadora.png
/share/icons/hicolor/48x48/apps/calculadora.png
/share/icons/hicolor/64x64/apps/calculadora.png
/share/man/man1/calculadora.1.gz
/share/metainfo/$app_id.metainfo.xml
EOF
# A relative prefix is a folder of the working directory, and the command and
# the entry name it by its absolute path: the command starts the program from
# anywhere (status 1 here, the program's own without a video driver).
mkdir "$work/rel"
(cd "$work/rel" && "$cmake" --install "$build" --prefix pfx --component calculadora) \
    >"$work/install-rel.log" 2>&1 || fail "relative prefix: $(cat "$work/install-rel.log")"
grep -qx "Exec=$work/rel/pfx/bin/calculadora" "$work/rel/pfx/share/applications/$app_id.desktop" ||
    fail "relative prefix: $(grep Exec= "$work/rel/pfx/share/applications/$app_id.desktop")"
(cd / && SDL_VIDEODRIVER=nonexistent SDL_AUDIODRIVER=dummy exec "$work/rel/pfx/bin/calculadora") \
    >/dev/null 2>&1
rel_status=$?
[ "$rel_status" = 1 ] || fail "relative prefix: the command ends with $rel_status"
echo "ok: a relative prefix installs absolute paths"

(cd "$prefix" && find . ! -type d | sed 's|^\.||' | LC_ALL=C sort) >"$work/installed"
diff "$work/expected" "$work/installed" || fail "installed files differ from the list above"
echo "ok: the installed files"

for icon in "$prefix"/share/icons/hicolor/*/apps/calculadora.png; do
    folder=$(basename "$(dirname "$(dirname "$icon")")")
    size=$(identify -format '%wx%h' "$icon")
    [ "$size" = "$folder" ] || fail "icon in $folder is $size"
done
echo "ok: every icon has its folder's size"

entry=$prefix/share/applications/$app_id.desktop
desktop-file-validate "$entry" >"$work/validate.txt" 2>&1 || fail "$(cat "$work/validate.txt")"
grep -E ': (error|warning):' "$work/validate.txt" && fail "desktop-file-validate complains"
echo "ok: desktop-file-validate"

key() { sed -n "s/^$1=//p" "$entry" | head -n 1; }
exec_line=$(key Exec) wmclass=$(key StartupWMClass) icon=$(key Icon)
for category in Utility Calculator; do
    case ";$(key Categories)" in
        *";$category;"*) ;;
        *) fail "Categories=$(key Categories) lacks $category" ;;
    esac
done
[ -f "$prefix/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "no icon named $icon"
# The prefix holds a blank, so the program's path comes in double quotes.
exe=${exec_line#\"} exe=${exe%\"}
[ "\"$exe\"" = "$exec_line" ] || fail "Exec=$exec_line is not one quoted path"
[ "$exe" = "$prefix/bin/calculadora" ] || fail "Exec=$exec_line is not the command in bin/"
head -n 1 "$exe" | grep -qx '#!/bin/sh' || fail "the command is no sh script"
echo "ok: Exec=$exec_line Icon=$icon"

metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$work/appstream.txt" 2>&1 ||
    fail "appstreamcli validate: $(cat "$work/appstream.txt")"
id=$(sed -n 's|^ *<id>\(.*\)</id>$|\1|p' "$metainfo")
launchable=$(sed -n 's|^ *<launchable type="desktop-id">\(.*\)</launchable>$|\1|p' "$metainfo")
[ "$id" = "$app_id" ] && [ "$launchable" = "$app_id.desktop" ] ||
    fail "AppStream id $id, launchable $launchable, desktop entry $app_id.desktop"
echo "ok: appstreamcli validates $id"

if command -v man >/dev/null 2>&1; then
    page=$prefix/share/man/man1/calculadora.1.gz
    found=$(MANPATH=$prefix/share/man man -w 1 calculadora 2>&1)
    [ "$found" = "$page" ] || fail "man -w 1 calculadora gives $found"
    # The check Debian's lintian makes: any message of groff is a fault.
    LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" \
        2>"$work/man.err" >/dev/null || fail "man cannot format the page"
    [ -s "$work/man.err" ] && fail "man warns: $(cat "$work/man.err")"
    for section in KEYS MOUSE FILES "EXIT STATUS"; do
        MANWIDTH=80 man -l "$page" 2>/dev/null | grep -qx "$section" || fail "no $section section"
    done
    echo "ok: the man page"
else
    echo "man missing: the man page is not checked"
fi

xvfb_start 121 "$work/xvfb.log" || fail "Xvfb did not start"

data=$prefix/share/calculadora
mkdir "$work/elsewhere"
(cd "$work/elsewhere" && exec "$exe" 'dos palabras' '*') >"$work/out.txt" 2>&1 </dev/null &
app_pid=$!
primer_cero "the launcher's process"

# The launcher's process became the program (exec), in the data folder.
[ "$(readlink "/proc/$app_pid/exe")" = "$prefix/libexec/calculadora/calculadora" ] ||
    fail "the launcher's process runs $(readlink "/proc/$app_pid/exe")"
[ "$(readlink "/proc/$app_pid/cwd")" = "$data" ] ||
    fail "the program runs in $(readlink "/proc/$app_pid/cwd")"
printf '%s\n' "$prefix/libexec/calculadora/calculadora" 'dos palabras' '*' >"$work/argv"
tr '\0' '\n' <"/proc/$app_pid/cmdline" | diff "$work/argv" - || fail "the arguments differ"
echo "ok: the launcher execs the program in $data with its arguments"

# WM_CLASS(STRING) = "instance", "class": desktops match the class.
class=$(xprop -id "$wid" WM_CLASS | sed -n 's/.*= "[^"]*", "\([^"]*\)"$/\1/p')
[ "$class" = "$wmclass" ] || fail "window class \"$class\", StartupWMClass=$wmclass"
echo "ok: window class $class"

xdotool mousemove --window "$wid" $(centre on) click 1
app_wait "on"
[ "$status" = 0 ] || fail "exit status $status"
grep -qx END "$work/out.txt" || fail "no END line: $(cat "$work/out.txt")"
echo "ok: on ends with status 0 and END"

# Failed starts through the launcher: the status and the output are the
# program's (1 without a video driver, 2 without the font); without the data
# folder the launcher itself ends with 2 before starting anything.
while IFS='|' read -r what driver change want_status want_out; do
    [ -n "$change" ] && eval "$change"
    (cd "$work/elsewhere" && SDL_VIDEODRIVER=$driver SDL_AUDIODRIVER=dummy exec "$exe") \
        >"$work/fail.out" 2>"$work/fail.err"
    got=$?
    [ "$got" = "$want_status" ] || fail "$what: status $got, not $want_status"
    [ "$(grep -v '^Profundidad' "$work/fail.out")" = "$want_out" ] ||
        fail "$what: output $(cat "$work/fail.out")"
    echo "ok: $what ends with status $got"
done <<'EOF'
no video driver|nonexistent||1|
font missing|dummy|mv "$data/fontlcd.ttf" "$work/"|2|Error cargando Font
data folder missing|dummy|mv "$data" "$work/data"|2|
EOF
grep -qF "$data" "$work/fail.err" || fail "the launcher did not say which folder is missing"
