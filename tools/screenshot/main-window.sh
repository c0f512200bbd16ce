#!/usr/bin/env bash
# Takes docs/main-window.png: Clipvane beside the stand-in service in a private
# Xvfb display, with the example address pasted; and docs/save-as.png, the
# "Save as:" choices opened.
# Usage: tools/screenshot/main-window.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$root/tools/xsession/session.sh"
session_start "${1:-$root/build}"
session_app
window="$(session_window 'Clipvane 1\.0')"
sleep 1.5 # past the deferred start-up
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool type --delay 5 "$(session_address 1001)"
sleep 0.3
import -window "$window" "$root/docs/main-window.png"
echo "wrote docs/main-window.png"

eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 110)) $((Y + 160)) click 1   # the "Save as:" box
sleep 0.5
import -window root -crop "408x253+$X+$Y" +repage "$root/docs/save-as.png"
echo "wrote docs/save-as.png"
