#!/usr/bin/env bash
# Takes docs/firewall-window.png, docs/codec-window.png and docs/about-box.png:
# a first start in a private Xvfb display (no markers yet), then the About box
# from the Help menu.
# Usage: tools/screenshot/first-run.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build}"

work="$(mktemp -d /tmp/clipvane-shot.XXXXXX)"
home="$work/home/demo"
mkdir -p "$home/Desktop" "$work/bin" "$work/runtime"
chmod 700 "$work/runtime"
cp "$build/bin/clipvane" "$work/bin/"
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

"$build/bin/clipvane-standin" --port 0 --hosts-ini "$work/bin/hosts.ini" >"$work/standin.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/bin/hosts.ini" ] && break; sleep 0.1; done

HOME="$home" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb "$work/bin/clipvane" >/dev/null 2>&1 &
pids+=($!)

window_named() { # title; waits for it
  local id=""
  for _ in $(seq 100); do
    id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)"
    [ -n "$id" ] && break
    sleep 0.1
  done
  echo "$id"
}

firewall="$(window_named 'Windows Firewall Settings')"
sleep 0.3
import -window "$firewall" "$root/docs/firewall-window.png" && echo "wrote docs/firewall-window.png"
xdotool windowfocus "$firewall" 2>/dev/null || true
xdotool key Return # "Start": the probe answers, "Done! :)"
sleep 1
xdotool key Return # dismisses the message; the window closes

codec="$(window_named 'Clipvane Installation')"
sleep 0.3
import -window "$codec" "$root/docs/codec-window.png" && echo "wrote docs/codec-window.png"
xdotool mousemove --window "$codec" 30 144 click 1 # "already installed": nothing to open
xdotool key Return

sleep 1
main="$(window_named 'Clipvane 1\.0')"
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 364)) $((Y + 30)) click 1 # Help
sleep 0.5
xdotool key Down Down Return # "&About Clipvane..."
about="$(window_named 'About')"
sleep 0.5
import -window "$about" "$root/docs/about-box.png" && echo "wrote docs/about-box.png"
