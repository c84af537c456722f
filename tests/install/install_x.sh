#!/bin/sh
# Installs the component "calculadora" into a staging folder (DESTDIR) and
# checks it as a desktop would use it: exactly the expected files, icons of
# the sizes their folders name, a desktop entry that desktop-file-validate
# accepts, a man page that man finds and formats without warnings. Then it
# starts the installed program the way the entry says (Exec= in Path=) under
# Xvfb, checks the window's class against StartupWMClass=, the first frame
# against render_keys' frame and the «0» in the display colour, and ends it
# with the "on" key: status 0 and the line "END".
# usage: install_x.sh CMAKE BUILD_DIR RENDER_KEYS
# Exits 77 (skipped) when Xvfb, xdotool, xprop, ImageMagick or
# desktop-file-validate is missing; without man the man page is not checked.
set -u
cmake=$1 build=$2 render=$3
for tool in Xvfb xdotool xprop import compare identify convert desktop-file-validate; do
    command -v $tool >/dev/null 2>&1 || { echo "skipped: $tool missing"; exit 77; }
done

. "$(dirname "$0")/../support/xvfb.sh"

stage=$work/stage
DESTDIR=$stage "$cmake" --install "$build" --prefix /usr --component calculadora \
    >"$work/install.log" 2>&1 || fail "cmake --install: $(cat "$work/install.log")"

# Everything a desktop needs, and nothing else (no library, header or test).
cat >"$work/expected" <<EOF
/usr/bin/calculadora
/usr/share/applications/calculadora.desktop
/usr/share/calculadora/caltrq.png
/usr/share/calculadora/fontlcd.ttf
/usr/share/icons/hicolor/128x128/apps/calculadora.png
/usr/share/icons/hicolor/16x16/apps/calculadora.png
/usr/share/icons/hicolor/24x24/apps/calculadora.png
/usr/share/icons/hicolor/256x256/apps/calculadora.png
/usr/share/icons/hicolor/32x32/apps/calculadora.png
/usr/share/icons/hicolor/48x48/apps/calculadora.png
/usr/share/icons/hicolor/64x64/apps/calculadora.png
/usr/share/man/man6/calculadora.6.gz
EOF
(cd "$stage" && find . ! -type d | sed 's|^\.||' | LC_ALL=C sort) >"$work/installed"
diff "$work/expected" "$work/installed" || fail "installed files differ from the list above"
echo "ok: the installed files"

for icon in "$stage"/usr/share/icons/hicolor/*/apps/calculadora.png; do
    folder=$(basename "$(dirname "$(dirname "$icon")")")
    size=$(identify -format '%wx%h' "$icon")
    [ "$size" = "$folder" ] || fail "icon in $folder is $size"
done
echo "ok: every icon has its folder's size"

entry=$stage/usr/share/applications/calculadora.desktop
desktop-file-validate "$entry" >"$work/validate.txt" 2>&1 || fail "$(cat "$work/validate.txt")"
grep -E ': (error|warning):' "$work/validate.txt" && fail "desktop-file-validate complains"
echo "ok: desktop-file-validate"

key() { sed -n "s/^$1=//p" "$entry" | head -n 1; }
exec_line=$(key Exec) path=$(key Path) wmclass=$(key StartupWMClass) icon=$(key Icon)
for category in Utility Calculator; do
    case ";$(key Categories)" in
        *";$category;"*) ;;
        *) fail "Categories=$(key Categories) lacks $category" ;;
    esac
done
[ -f "$stage/usr/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "no icon named $icon"
case $exec_line in
    *" "*) fail "Exec= carries arguments: $exec_line" ;;
    /*) exe=$stage$exec_line ;;
    *) exe=$stage/usr/bin/$exec_line ;;
esac
[ -x "$exe" ] || fail "Exec=$exec_line is not an installed program"
dir=$stage$path
for f in caltrq.png fontlcd.ttf; do
    [ -f "$dir/$f" ] || fail "Path=$path holds no $f"
done
echo "ok: Exec=$exec_line Path=$path Icon=$icon"

if command -v man >/dev/null 2>&1; then
    page=$stage/usr/share/man/man6/calculadora.6.gz
    found=$(MANPATH=$stage/usr/share/man man -w 6 calculadora 2>&1)
    [ "$found" = "$page" ] || fail "man -w 6 calculadora gives $found"
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

(cd "$dir" && exec "$exe") >"$work/out.txt" 2>&1 &
app_pid=$!
wid=$(app_window)
[ -n "$wid" ] || fail "no window: $(cat "$work/out.txt")"

# WM_CLASS(STRING) = "instance", "class": desktops match the class.
class=$(xprop -id "$wid" WM_CLASS | sed -n 's/.*= "[^"]*", "\([^"]*\)"$/\1/p')
[ "$class" = "$wmclass" ] || fail "window class \"$class\", StartupWMClass=$wmclass"
echo "ok: window class $class"

sleep 0.4
import -window "$wid" "$work/start.png" || fail "screenshot"
(cd "$dir" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$render" "$work/zero.bmp" "") \
    >/dev/null 2>&1 || fail "render_keys"
d=$(compare -metric AE "$work/start.png" "$work/zero.bmp" null: 2>&1 | cut -d' ' -f1)
[ "$d" = 0 ] || fail "the first frame differs from render_keys' in $d pixels"
# The display colour 133, 248, 73 lights the last column (x 216..230) with
# a glyph of six segments (a "1" lights some 46 pixels, the "0" over 100)
# and nothing left of it.
lit() {
    convert "$work/start.png" -crop "$1" +repage txt:- | grep -ci '#85F849'
}
last=$(lit 15x35+216+168) rest=$(lit 210x35+6+168)
if [ "$last" -lt 100 ] || [ "$rest" != 0 ]; then
    fail "display lit: $last pixels in the last column, $rest left of it"
fi
echo "ok: the first frame shows 0 ($last pixels lit)"

xdotool mousemove --window "$wid" 36 260 click 1
app_wait "on"
[ "$status" = 0 ] || fail "exit status $status"
grep -qx END "$work/out.txt" || fail "no END line: $(cat "$work/out.txt")"
echo "ok: on ends with status 0 and END"
