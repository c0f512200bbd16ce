#!/usr/bin/env bash
# Takes docs/main-window.png: Clipvane beside the stand-in service in a private
# Xvfb display, with the example address pasted.
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
