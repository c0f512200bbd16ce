#!/usr/bin/env bash
# Takes docs/main-window.png: starts Clipvane beside the stand-in service in a
# private Xvfb display with a home folder of its own, pastes the example
# address and captures the window.
# Usage: tools/screenshot/main-window.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build}"
out="$root/docs/main-window.png"

work="$(mktemp -d /tmp/clipvane-shot.XXXXXX)"
home="$work/home/demo"
mkdir -p "$home/Desktop" "$work/bin"
cp "$build/bin/clipvane" "$work/bin/"
# The first-run windows have been seen.
printf 'Done\r\n' >"$work/bin/done.txt"
printf 'Done\r\n' >"$work/bin/done2.txt"
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
  [ -n "${standin:-}" ] && kill "$standin" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do DISPLAY="$display" xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

"$build/bin/clipvane-standin" --port 0 --hosts-ini "$work/bin/hosts.ini" >"$work/standin.log" 2>&1 &
standin=$!
for _ in $(seq 50); do [ -s "$work/bin/hosts.ini" ] && break; sleep 0.1; done
example="$(grep -o 'http://[^ ]*vid=1001[^ ]*' "$work/standin.log" | head -1)"

HOME="$home" XDG_RUNTIME_DIR="$work" DISPLAY="$display" QT_QPA_PLATFORM=xcb "$work/bin/clipvane" >/dev/null 2>&1 &
app=$!

window=""
for _ in $(seq 100); do
  window="$(DISPLAY="$display" xdotool search --name '^Clipvane 1\.0$' 2>/dev/null | head -1 || true)"
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the main window did not appear" >&2; exit 1; }

sleep 1.5 # past the deferred start-up
DISPLAY="$display" xdotool windowfocus --sync "$window" 2>/dev/null || true
DISPLAY="$display" xdotool type --delay 5 "$example"
sleep 0.3
DISPLAY="$display" import -window "$window" "$out"
echo "wrote $out"
