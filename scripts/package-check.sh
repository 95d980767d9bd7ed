#!/usr/bin/env bash
# Makes the Debian package from an existing build folder and checks it: the
# files it holds, its desktop entry and metainfo, its dependencies; then
# installs it on this machine, converts a picture with the installed
# converter, starts the installed program for a moment and removes the
# package again (a rastelle package that was installed before is left as the
# new one).
#   scripts/package-check.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
source_dir=$PWD
work=$(mktemp -d)
installed=no
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
cleanup() {
    if [ "$installed" = yes ]; then
        "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq rastelle >/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log") ||
    { cat "$work/cpack.log" >&2; fail "cpack did not make the package"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$work/deb/rastelle_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"); made: $(ls "$work/deb")"

# The files a desktop and the programs need, all under /usr.
dpkg-deb -c "$deb" | awk '{ print $6 ($7 == "->" ? " -> " $8 : "") }' | sed 's|^\./|/|' >"$work/files"
expect() { grep -qxF -- "$1" "$work/files" || fail "the package lacks $1"; }
lib=/usr/lib/rastelle
expect "$lib/Rastelle"
expect "$lib/rastelle-convert"
expect "/usr/bin/rastelle -> ../lib/rastelle/Rastelle"
expect "/usr/bin/Rastelle -> ../lib/rastelle/Rastelle"
expect "/usr/bin/rastelle-convert -> ../lib/rastelle/rastelle-convert"
for file in resources/language/*.ini; do expect "$lib/language/$(basename "$file")"; done
for file in resources/help/*; do expect "$lib/help/$(basename "$file")"; done
expect /usr/share/applications/rastelle.desktop
expect /usr/share/metainfo/com.tolmera.rastelle.metainfo.xml
for size in 16 32 48 64 128 256; do
    expect "/usr/share/icons/hicolor/${size}x${size}/apps/rastelle.png"
done
expect /usr/share/man/man1/rastelle.1.gz
expect /usr/share/man/man1/rastelle-convert.1.gz
if grep -v -e '^/usr/' -e '^/$' "$work/files"; then fail "files outside /usr"; fi

# Its fields: dependencies found in the programs, and the plugins they load.
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libraw20 qt6-image-formats-plugins; do
    echo "$depends" | grep -q "$package" || fail "Depends has no $package: $depends"
done
[ "$(dpkg-deb -f "$deb" Section)" = graphics ] || fail "section is not graphics"

# Its contents as desktops and software centres read them.
dpkg-deb -x "$deb" "$work/root"
problems=$(desktop-file-validate "$work/root/usr/share/applications/rastelle.desktop" | grep -v ': hint: ' || true)
[ -z "$problems" ] || fail "the desktop entry does not validate: $problems"
grep -qx 'Exec=/usr/bin/rastelle %f' "$work/root/usr/share/applications/rastelle.desktop" ||
    fail "the desktop entry does not start /usr/bin/rastelle with a file"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/com.tolmera.rastelle.metainfo.xml" ||
    fail "the metainfo does not validate"
for page in rastelle rastelle-convert; do
    file -b "$work/root/usr/share/man/man1/$page.1.gz" | grep -q '^gzip' ||
        fail "$page.1.gz is not compressed"
done
if file -b "$work/root$lib/Rastelle" | grep -q 'not stripped'; then fail "the program is not stripped"; fi

# Installed as a user would, then used.
if dpkg-query -W -f='${Status}' rastelle 2>/dev/null | grep -q 'install ok installed'; then
    echo "note: rastelle was installed already; it is replaced and left installed" >&2
else
    installed=yes
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; fail "the package does not install"; }
cd "$work"
home="$work/home"
mkdir -p "$home"
HOME=$home XDG_CONFIG_HOME=$home/.config rastelle-convert \
    "$source_dir/tests/data/frames/anim10.gif" out.bmp --frame 9 --format 8 ||
    fail "the installed converter failed"
file -b out.bmp | grep -q '^PC bitmap' || fail "the installed converter wrote no bitmap"
# The installed program starts and keeps running until it is ended.
set +e
HOME=$home XDG_CONFIG_HOME=$home/.config QT_QPA_PLATFORM=offscreen timeout 3 rastelle >rastelle.log 2>&1
status=$?
set -e
[ $status -eq 124 ] || { cat rastelle.log >&2; fail "the installed program ended with status $status"; }
echo "package check passed: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB," \
    "installed $(dpkg-deb -f "$deb" Installed-Size) KiB"
