#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a desktop needs:
# the programs with their languages and help beside them, the links in bin/,
# the desktop entry naming an existing program, the icons; and that the
# installed converter finds its languages by the base-folder rule.
#   tests/install_check.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix with space"
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
lib=$(dirname "$(readlink -f "$prefix/bin/rastelle")")
[ -x "$lib/Rastelle" ] || fail "bin/rastelle does not lead to the program"
[ "$(readlink -f "$prefix/bin/Rastelle")" = "$lib/Rastelle" ] ||
    fail "bin/Rastelle does not lead to the program"
[ "$(readlink -f "$prefix/bin/rastelle-convert")" = "$lib/rastelle-convert" ] ||
    fail "bin/rastelle-convert does not lead to the converter beside the program"
[ -f "$lib/language/English.ini" ] || fail "no language files beside the program"
[ -f "$lib/help/Introduction.html" ] || fail "no help pages beside the program"
desktop="$prefix/share/applications/rastelle.desktop"
[ -f "$desktop" ] || fail "no desktop entry"
# The prefix holds a space: the program is quoted, the file follows it.
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ "$exec_line" = "\"$prefix/bin/rastelle\" %f" ] || fail "desktop entry runs '$exec_line'"
grep -q '^MimeType=image/jpeg;.*image/x-ms-bmp;' "$desktop" || fail "desktop entry opens no pictures"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop entry does not validate"
fi
grep -q '^Icon=rastelle$' "$desktop" || fail "desktop entry names no icon"
for size in 16 32 48 64 128 256; do
    [ -f "$prefix/share/icons/hicolor/${size}x${size}/apps/rastelle.png" ] ||
        fail "no ${size}px icon"
done

# The installed converter reads the stored language from the language folder
# beside the real program, started through its link from anywhere.
mkdir -p "$work/config/TOLMERA"
printf '[Option]\nCurrentLanguage=German\n' >"$work/config/TOLMERA/Rastelle.conf"
cd "$work"
set +e
message=$(XDG_CONFIG_HOME="$work/config" "$prefix/bin/rastelle-convert" missing.jpg out.bmp 2>&1)
status=$?
set -e
[ $status -eq 1 ] || fail "converter exit status $status"
echo "$message" | grep -q 'Die Breite des Fotos kann nicht ermittelt werden' ||
    fail "converter did not speak German: $message"
echo "install check passed: $prefix"
