#!/usr/bin/env bash
# Starts Rastelle on a virtual display with a window manager and saves a
# screenshot of the whole screen: for looking at the window as a user would.
#   scripts/screenshot.sh OUTPUT.png [LANGUAGE] [-- xdotool commands run before the shot]
# Needs xvfb, openbox, xdotool and imagemagick (not part of the build).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "$1"); shift
language=${1:-}; [ $# -gt 0 ] && shift
[ "${1:-}" = "--" ] && shift

display=:77
Xvfb $display -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb $wm $app 2>/dev/null || true' EXIT
sleep 0.5
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!
sleep 0.5
if [ -n "$language" ]; then
    config=${XDG_CONFIG_HOME:-$HOME/.config}/TOLMERA/Rastelle.conf
    mkdir -p "$(dirname "$config")"
    if grep -q '^CurrentLanguage=' "$config" 2>/dev/null; then
        sed -i "s/^CurrentLanguage=.*/CurrentLanguage=$language/" "$config"
    else
        printf '[Option]\nCurrentLanguage=%s\n' "$language" >>"$config"
    fi
fi
DISPLAY=$display build/bin/Rastelle &
app=$!
for _ in $(seq 50); do
    DISPLAY=$display xdotool search --name Rastelle >/dev/null 2>&1 && break
    sleep 0.1
done
# Always at the same place, so that commands can click by position.
DISPLAY=$display xdotool search --name '^Rastelle$' windowmove 160 60 >/dev/null 2>&1 || true
sleep 0.5
for command in "$@"; do
    DISPLAY=$display xdotool $command
    sleep 0.4
done
DISPLAY=$display import -window root "$out"
echo "saved $out"
