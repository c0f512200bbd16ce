#!/usr/bin/env bash
# The progress window on a real X server while a page is awaited that would
# take half a minute to come: it must show its own labels and gauges, not
# black and not the main window's stale pixels, and Cancel must end the job
# at once rather than when the page gives up.
# Usage: progress_paint_e2e.sh BUILD-FOLDER
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$root/tools/xsession/session.sh"
fail() { session_fail "$@"; }

session_main_window "$1"
session_start_job "$SESSION_WINDOW" 2011   # a page that drips a byte a second

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

# Cancel: the page would keep the job for its whole deadline (30 s); the
# cancelled job's "Done." comes long before that.
xdotool mousemove $((X + 340)) $((Y + 140)) click 1
box=""
for _ in $(seq 100); do
  box="$(xdotool search --onlyvisible --name '^Clipvane 1\.0$' 2>/dev/null | head -1 || true)"
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || fail "Cancel did not end the job while the page was awaited"
eval "$(xdotool getwindowgeometry --shell "$box")"
echo "message box $WIDTH x $HEIGHT"
[ "$WIDTH" != 408 ] || fail "the main window came back without the cancelled job's message"
xdotool windowactivate --sync "$box" 2>/dev/null || true
xdotool key Return
main=""
for _ in $(seq 50); do
  main="$(xdotool search --onlyvisible --name '^Clipvane 1\.0$' 2>/dev/null | head -1 || true)"
  if [ -n "$main" ]; then
    eval "$(xdotool getwindowgeometry --shell "$main")"
    [ "$WIDTH" = 408 ] && break
  fi
  sleep 0.1
done
[ "${WIDTH:-}" = 408 ] || fail "the main window is not back after the cancelled job"
echo "PASS: Cancel ends the job while the page is awaited"
