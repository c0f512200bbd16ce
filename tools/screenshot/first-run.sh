#!/usr/bin/env bash
# Takes docs/firewall-window.png, docs/codec-window.png and docs/about-box.png:
# a first start in a private Xvfb display (no markers yet), then the About box
# from the Help menu.
# Usage: tools/screenshot/first-run.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build}"

. "$root/tools/xsession/session.sh"
session_start "$build" first-run
session_app

firewall="$(session_window 'Windows Firewall Settings')"
sleep 0.3
import -window "$firewall" "$root/docs/firewall-window.png" && echo "wrote docs/firewall-window.png"
xdotool windowfocus "$firewall" 2>/dev/null || true
xdotool key Return # "Start": the probe answers, "Done! :)"
sleep 1
xdotool key Return # dismisses the message; the window closes

codec="$(session_window 'Clipvane Installation')"
sleep 0.3
import -window "$codec" "$root/docs/codec-window.png" && echo "wrote docs/codec-window.png"
xdotool mousemove --window "$codec" 30 144 click 1 # "already installed": nothing to open
xdotool key Return

sleep 1
main="$(session_window 'Clipvane 1\.0')"
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 364)) $((Y + 30)) click 1 # Help
sleep 0.5
xdotool key Down Down Return # "&About Clipvane..."
about="$(session_window 'About')"
sleep 0.5
import -window "$about" "$root/docs/about-box.png" && echo "wrote docs/about-box.png"
