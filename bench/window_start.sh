#!/usr/bin/env bash
# How long the window takes to appear: from starting the program to its
# window being mapped, on a virtual display with a window manager.
#   bench/window_start.sh [RUNS]   (needs xvfb, openbox, xdotool)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
display=:79
Xvfb $display -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
sleep 0.5
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm $xvfb 2>/dev/null || true' EXIT
sleep 0.5
config=$(mktemp -d)
mkdir -p "$HOME/Pictures"
for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    DISPLAY=$display XDG_CONFIG_HOME=$config build/bin/Rastelle 2>/dev/null &
    app=$!
    until DISPLAY=$display xdotool search --onlyvisible --name '^Rastelle$' >/dev/null 2>&1; do
        sleep 0.01
    done
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "window shown after %.3f s\n", e - s }'
    kill $app; wait $app 2>/dev/null || true
done
rm -rf "$config"
