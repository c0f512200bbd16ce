#!/usr/bin/env bash
# The progress window on a real X server, while the main thread waits for a
# page that answers after a few seconds: it must show its own labels and
# gauges, not black and not the main window's stale pixels.
# Usage: progress_paint_e2e.sh BUILD-FOLDER
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$root/tools/xsession/session.sh"
fail() { session_fail "$@"; }

session_main_window "$1"
session_start_job "$SESSION_WINDOW" 2015   # a page that keeps you waiting

# Inside the wait: the page answers after four seconds.
sleep 1.5
progress=""
for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
  eval "$(xdotool getwindowgeometry --shell "$id")"
  if [ "$WIDTH" = 389 ] && [ "$HEIGHT" = 163 ]; then progress="$id"; break; fi
done
[ -n "$progress" ] || fail "no progress window on the screen"
eval "$(xdotool getwindowgeometry --shell "$progress")"
shot="$SESSION/progress.png"
import -window root "$shot"
[ -z "${CLIPVANE_SCREENSHOT:-}" ] || cp "$shot" "$CLIPVANE_SCREENSHOT"
pixel() { convert "$shot" -format "%[pixel:p{$(($X + $1)),$(($Y + $2))}]" info:; }
# The window's own colour at its edge, a gauge's white inside and its frame.
background="$(pixel 4 70)"
gauge="$(pixel 60 56)"
frame="$(pixel 8 48)"
echo "background $background, gauge $gauge, frame $frame"
[ "$gauge" = "white" ] || [ "$gauge" = "srgb(255,255,255)" ] || fail "the step gauge is not painted ($gauge)"
[ "$background" = "srgb(176,206,241)" ] || fail "the window's background is not painted ($background)"
[ "$frame" = "srgb(64,64,64)" ] || fail "the gauge's frame is not painted ($frame)"
echo "PASS: the progress window is painted while the page is awaited"
