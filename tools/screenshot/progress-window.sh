#!/usr/bin/env bash
# Takes docs/progress-download.png and docs/progress-conversion.png: runs two
# jobs against the stand-in in a private Xvfb display and captures the
# progress window while each phase is under way.
# Usage: tools/screenshot/progress-window.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build}"

work="$(mktemp -d /tmp/clipvane-shot.XXXXXX)"
home="$work/home/demo"
mkdir -p "$home/Desktop" "$work/bin" "$work/runtime"
chmod 700 "$work/runtime"
cp "$build/bin/clipvane" "$work/bin/"
# The first-run windows have been seen.
printf 'Done\r\n' >"$work/bin/done.txt"
printf 'Done\r\n' >"$work/bin/done2.txt"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 3>"$work/display" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")"

"$build/bin/clipvane-standin" --port 0 --hosts-ini "$work/bin/hosts.ini" --cache "$work/cache" >"$work/standin.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/bin/hosts.ini" ] && break; sleep 0.1; done
port="$(head -1 "$work/standin.log" | sed 's/.*://')"

# The long clip's stream is made on its first request; make it now.
exec 5<>"/dev/tcp/127.0.0.1/$port"
printf 'GET /streams/st-7340015.flv HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n' >&5
cat <&5 >/dev/null
exec 5<&-

HOME="$home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb "$work/bin/clipvane" >/dev/null 2>&1 &
pids+=($!)
main=""
for _ in $(seq 150); do
  main="$(xdotool search --name '^Clipvane 1\.0$' 2>/dev/null | head -1 || true)"
  [ -n "$main" ] && break
  sleep 0.1
done
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
  progress="$(xdotool search --name '^Devad Ivava ri VIV OroR\.\.\.$' | head -1)"
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

job "http://127.0.0.1:$port/video/play?vid=2001&fr=cv" 1.0 "$root/docs/progress-download.png"
job "http://127.0.0.1:$port/video/play?vid=1004&fr=cv" 1.6 "$root/docs/progress-conversion.png"
