#!/usr/bin/env bash
# Takes docs/progress-resolving.png, docs/progress-download.png and
# docs/progress-conversion.png: runs three jobs against the stand-in in a
# private Xvfb display and captures the progress window while each phase is
# under way (the first on a page that answers late).
# Usage: tools/screenshot/progress-window.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build}"

. "$root/tools/xsession/session.sh"
session_start "$build"
port="$(head -1 "$SESSION/standin.log" | sed 's/.*://')"

# The long clip's stream is made on its first request; make it now.
exec 5<>"/dev/tcp/127.0.0.1/$port"
printf 'GET /streams/st-7340015.flv HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n' >&5
cat <&5 >/dev/null
exec 5<&-

session_app
main="$(session_window 'Clipvane 1\.0')"
sleep 1.5
eval "$(xdotool getwindowgeometry --shell "$main")"
mx=$X
my=$Y
xdotool mousemove $((mx + 14)) $((my + 234)) click 1 # nothing to open afterwards

job() { # address, delay before the capture, output
  xdotool mousemove $((mx + 100)) $((my + 98)) click 1
  xdotool key ctrl+a
  xdotool type --delay 2 "$1"
  xdotool mousemove $((mx + 336)) $((my + 161)) click 1
  sleep "$2"
  local progress
  progress="$(session_window 'Devad Ivava ri VIV OroR\.\.\.')"
  import -window "$progress" "$3"
  echo "wrote $3"
  # Let the job end and dismiss its "Done." box.
  for _ in $(seq 200); do
    box="$(xdotool search --name '^Clipvane 1\.0$' 2>/dev/null | grep -v "^$main\$" | head -1 || true)"
    [ -n "$box" ] && break
    sleep 0.1
  done
  sleep 0.3
  [ -n "$box" ] && xdotool windowfocus "$box" 2>/dev/null && xdotool key Return || true
  sleep 0.5
}

job "http://127.0.0.1:$port/video/play?vid=2015&fr=cv" 1.5 "$root/docs/progress-resolving.png"
job "http://127.0.0.1:$port/video/play?vid=2001&fr=cv" 1.0 "$root/docs/progress-download.png"
job "http://127.0.0.1:$port/video/play?vid=1004&fr=cv" 1.6 "$root/docs/progress-conversion.png"
