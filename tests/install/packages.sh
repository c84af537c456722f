#!/bin/sh
# Builds the two Debian packages with scripts/package.sh, the user's command,
# and checks them as Debian would: lintian reports no error and no warning on
# either; the program's package runs the launcher from /usr/bin, which starts
# /usr/libexec/calculadora/calculadora in /usr/share/calculadora; the library's
# pkg-config files name /usr; no file is in both packages, so both install
# side by side. Then the Maintainer: the default is what the changelogs are
# signed with, CALC_MAINTAINER or DEBFULLNAME and DEBEMAIL from the
# environment replace it in both packages, and one lintian would refuse
# (a mail host without a domain) stops the build.
# usage: packages.sh SOURCE_DIR PACKAGE_BUILD_DIR
# The package build folder is kept between runs, so later runs are quick.
# Exits 77 (skipped) when lintian, dpkg-deb or dpkg-shlibdeps is missing.
set -u
src=$1 pkgbuild=$2
for tool in lintian dpkg-deb dpkg-shlibdeps; do
    command -v $tool >/dev/null 2>&1 || { echo "skipped: $tool missing"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

debs=$work/debs
make_packages() {
    env -u CALC_MAINTAINER -u DEBFULLNAME -u DEBEMAIL "$@" \
        sh "$src/scripts/package.sh" "$debs" "$pkgbuild" >"$work/package.log" 2>&1
}
make_packages || fail "package.sh: $(cat "$work/package.log")"
grep -E 'bytes|Depends' "$work/package.log"
app=$(ls "$debs"/calculadora_*.deb) dev=$(ls "$debs"/calculadora-dev_*.deb)

# Classification lines (C:) show that lintian went through each package.
lintian --no-cfg --ignore-lintian-env --fail-on error,warning -L '>=classification' \
    "$app" "$dev" >"$work/lintian.txt" 2>&1
lintian_status=$?
grep -E '^[EWI]: ' "$work/lintian.txt"
for package in calculadora calculadora-dev; do
    grep -q "^C: $package: " "$work/lintian.txt" || fail "lintian did not check $package"
done
grep -qE '^[EW]: ' "$work/lintian.txt" && fail "lintian reports the errors or warnings above"
[ "$lintian_status" = 0 ] || fail "lintian ended with $lintian_status: $(cat "$work/lintian.txt")"
echo "ok: lintian reports no error and no warning on either package"

for deb in "$app" "$dev"; do
    dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb -x $deb"
    dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./|/|' | LC_ALL=C sort \
        >"$work/$(basename "$deb").files"
done
both=$(LC_ALL=C comm -12 "$work"/calculadora_*.files "$work"/calculadora-dev_*.files)
[ -z "$both" ] || fail "in both packages: $both"
root=$work/root
grep -qx "Exec=/usr/bin/calculadora" "$root"/usr/share/applications/*.desktop ||
    fail "the desktop entry runs $(grep Exec= "$root"/usr/share/applications/*.desktop)"
tail -n 2 "$root/usr/bin/calculadora" >"$work/launcher"
cat >"$work/launcher.expected" <<'EOF'
cd '/usr/share/calculadora' || exit 2
exec '/usr/libexec/calculadora/calculadora' "$@"
EOF
diff "$work/launcher.expected" "$work/launcher" || fail "the packed launcher differs"
[ -f "$root/usr/share/calculadora/caltrq.png" ] && [ -x "$root/usr/libexec/calculadora/calculadora" ] ||
    fail "the launcher's folder or program is not in the package"
for pc in "$root"/usr/lib/*/pkgconfig/calculadora-*.pc; do
    grep -qx 'prefix=/usr' "$pc" || fail "$pc: $(grep prefix= "$pc")"
done
echo "ok: the launcher, the entry and the .pc files name /usr; no file is in both packages"

signed() { dpkg-deb --fsys-tarfile "$1" | tar -xO --wildcards './usr/share/doc/*/changelog.gz' |
    gzip -dc | sed -n 's/^ -- \(.*>\)  .*/\1/p'; }
default=$(dpkg-deb -f "$app" Maintainer)
[ "$(signed "$app")" = "$default" ] || fail "the changelog is signed $(signed "$app"), not $default"
while IFS='|' read -r one two maintainer; do
    make_packages "$one" ${two:+"$two"} || fail "package.sh with $one $two: $(cat "$work/package.log")"
    for deb in "$debs"/*.deb; do
        got=$(dpkg-deb -f "$deb" Maintainer)
        [ "$got" = "$maintainer" ] || fail "with $one $two, $(basename "$deb") has Maintainer $got"
        [ "$(signed "$deb")" = "$maintainer" ] || fail "with $one $two, the changelog is signed $(signed "$deb")"
    done
    echo "ok: $one $two gives Maintainer: $maintainer"
done <<'EOF'
CALC_MAINTAINER=Ana Núñez <ana@example.net>||Ana Núñez <ana@example.net>
DEBFULLNAME=Luis Pérez|DEBEMAIL=luis@example.com|Luis Pérez <luis@example.com>
DEBEMAIL=sola@example.com||Calculadora developers <sola@example.com>
EOF
make_packages CALC_MAINTAINER='Nadie <calculadora@localhost>' &&
    fail "package.sh made packages with the Maintainer calculadora@localhost"
grep -q 'CALC_MAINTAINER must read' "$work/package.log" || fail "$(cat "$work/package.log")"
echo "ok: a Maintainer at localhost stops package.sh"
