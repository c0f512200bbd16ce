#!/usr/bin/env bash
# Takes docs/folder-chooser.png: the folder chooser opened from the main
# window's folder field in a private Xvfb display, on a home folder with a
# few everyday folders (and a hidden one, which the chooser leaves out).
# Usage: tools/screenshot/folder-chooser.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$root/tools/xsession/session.sh"
session_start "${1:-$root/build}"
for folder in Documents Downloads Music Pictures Videos/Clips Videos/Holidays .cache Desktop/Projects; do
  mkdir -p "$SESSION_HOME/$folder"
done
printf '%s\r\n100\r\n100\r\n' "$SESSION_HOME/Videos/Clips/" >"$SESSION/bin/set.txt"
session_app
main="$(session_window 'Clipvane 1\.0')"
sleep 1.5 # past the deferred start-up, which applies set.txt
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 382)) $((Y + 210)) click 1 # the field's browse button
chooser="$(session_window 'Select directory')"
sleep 0.5
import -window "$chooser" "$root/docs/folder-chooser.png"
echo "wrote docs/folder-chooser.png"
