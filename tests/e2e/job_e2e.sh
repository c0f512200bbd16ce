#!/usr/bin/env bash
# One whole job through the real program in a real X server, driven as a
# person would: type the address, untick the open option, press Start, and
# find the AVI in the output folder (the desktop folder by default).
# Usage: job_e2e.sh BUILD-FOLDER
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$root/tools/xsession/session.sh"
fail() {
  echo "FAIL: $*" >&2
  [ -f "$SESSION/app.log" ] && sed 's/^/app: /' "$SESSION/app.log" >&2
  exit 1
}

session_start "$1" || fail "the session did not start"
session_app
window="$(session_window 'Clipvane 1\.0')" || fail "the main window did not appear"
sleep 1.5 # past the deferred start-up

eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 100)) $((Y + 98)) click 1   # the address field
xdotool type --delay 2 "$(session_address 1001)"
xdotool mousemove $((X + 14)) $((Y + 234)) click 1   # untick "Open video file..."
xdotool mousemove $((X + 336)) $((Y + 161)) click 1  # Start

avi="$SESSION_HOME/Desktop/Harbour lights at dusk.AVI"
for _ in $(seq 600); do [ -f "$avi" ] && break; sleep 0.1; done
[ -f "$avi" ] || fail "no AVI in the output folder"

streams="$(ffprobe -v error -show_entries stream=codec_name,codec_tag_string,width,height,channels,sample_rate \
  -of compact=p=0 "$avi")"
grep -q 'codec_name=mpeg4|codec_tag_string=divx|width=320|height=240' <<<"$streams" || fail "video: $streams"
grep -q 'codec_name=mp3|.*sample_rate=44100|channels=1' <<<"$streams" || fail "audio: $streams"
echo "PASS: $avi"
