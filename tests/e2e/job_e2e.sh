#!/usr/bin/env bash
# One whole job through the real program in a real X server, driven as a
# person would: type the address, untick the open option, press Start, and
# find the AVI in the output folder (the desktop folder by default).
# Usage: job_e2e.sh path/to/clipvane path/to/clipvane-standin
set -euo pipefail
program="$1"
standin="$2"

work="$(mktemp -d /tmp/clipvane-e2e.XXXXXX)"
home="$work/home"
mkdir -p "$work/bin" "$home/Desktop" "$work/runtime"
chmod 700 "$work/runtime"
# A copy of its own, so hosts.ini and set.txt beside it are this test's.
cp "$program" "$work/bin/clipvane"
# The first-run windows have been seen.
printf 'Done\r\n' >"$work/bin/done.txt"
printf 'Done\r\n' >"$work/bin/done2.txt"

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/app.log" ] && sed 's/^/app: /' "$work/app.log" >&2
  exit 1
}

# Xvfb picks a free display and tells us which.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 3>"$work/display" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -1 "$work/display")"

"$standin" --port 0 --hosts-ini "$work/bin/hosts.ini" >"$work/standin.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/bin/hosts.ini" ] && break; sleep 0.1; done
[ -s "$work/bin/hosts.ini" ] || fail "the stand-in did not start"
address="$(grep -o 'http://[^ ]*vid=1001[^ ]*' "$work/standin.log" | head -1)"

HOME="$home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb "$work/bin/clipvane" >"$work/app.log" 2>&1 &
pids+=($!)

window=""
for _ in $(seq 150); do
  window="$(xdotool search --name '^Clipvane 1\.0$' 2>/dev/null | head -1 || true)"
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "the main window did not appear"
sleep 1.5 # past the deferred start-up

eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 100)) $((Y + 98)) click 1   # the address field
xdotool type --delay 2 "$address"
xdotool mousemove $((X + 14)) $((Y + 234)) click 1   # untick "Open video file..."
xdotool mousemove $((X + 336)) $((Y + 161)) click 1  # Start

avi="$home/Desktop/Harbour lights at dusk.AVI"
for _ in $(seq 600); do [ -f "$avi" ] && break; sleep 0.1; done
[ -f "$avi" ] || fail "no AVI in the output folder"

streams="$(ffprobe -v error -show_entries stream=codec_name,codec_tag_string,width,height,channels,sample_rate \
  -of compact=p=0 "$avi")"
grep -q 'codec_name=mpeg4|codec_tag_string=divx|width=320|height=240' <<<"$streams" || fail "video: $streams"
grep -q 'codec_name=mp3|.*sample_rate=44100|channels=1' <<<"$streams" || fail "audio: $streams"
echo "PASS: $avi"
