# Sourced by the screenshot scripts and the end-to-end test: a private X
# display, the stand-in service, and Clipvane copied into a folder of its own
# (so hosts.ini and set.txt beside it belong to this session), with its own
# home folder. Everything started is stopped when the script ends.
#
#   session_start BUILD-FOLDER [first-run]   (with "first-run", the first-run
#                                             windows have not been seen yet)
#   session_app                              starts Clipvane
#   session_window TITLE                     waits for a visible window, prints its id
#   session_address VID                      the stand-in page of a clip
#   session_main_window BUILD-FOLDER         all of the above up to the main window,
#                                            past its deferred start-up, in $SESSION_WINDOW
#   session_start_job WINDOW VID             types the clip's page into the main
#                                            window, unticks opening, presses Start
#   session_fail MESSAGE                     says why, with the program's log, and ends
#
# Afterwards: $SESSION (the folder), $SESSION_HOME, $DISPLAY.

SESSION_PIDS=()

session_stop() {
  for pid in "${SESSION_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  [ -n "${SESSION:-}" ] && rm -rf "$SESSION"
}

session_start() {
  local build="$1"
  SESSION="$(mktemp -d /tmp/clipvane-session.XXXXXX)"
  SESSION_HOME="$SESSION/home/demo"
  trap session_stop EXIT
  mkdir -p "$SESSION/bin" "$SESSION_HOME/Desktop" "$SESSION/runtime"
  chmod 700 "$SESSION/runtime"
  cp "$build/bin/clipvane" "$SESSION/bin/"
  if [ "${2:-}" != "first-run" ]; then
    printf 'Done\r\n' >"$SESSION/bin/done.txt"
    printf 'Done\r\n' >"$SESSION/bin/done2.txt"
  fi

  # Xvfb picks a free display and tells us which.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$SESSION/xvfb.log" 2>&1 3>"$SESSION/display" &
  SESSION_PIDS+=($!)
  for _ in $(seq 100); do [ -s "$SESSION/display" ] && break; sleep 0.1; done
  [ -s "$SESSION/display" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(head -1 "$SESSION/display")"

  "$build/bin/clipvane-standin" --port 0 --hosts-ini "$SESSION/bin/hosts.ini" --cache "$SESSION/cache" \
    >"$SESSION/standin.log" 2>&1 &
  SESSION_PIDS+=($!)
  for _ in $(seq 100); do [ -s "$SESSION/bin/hosts.ini" ] && break; sleep 0.1; done
  [ -s "$SESSION/bin/hosts.ini" ] || { echo "the stand-in did not start" >&2; return 1; }
}

session_address() {
  grep -o "http://[^ ]*vid=$1[^ ]*" "$SESSION/standin.log" | head -1
}

session_app() {
  HOME="$SESSION_HOME" XDG_RUNTIME_DIR="$SESSION/runtime" QT_QPA_PLATFORM=xcb "$SESSION/bin/clipvane" \
    >"$SESSION/app.log" 2>&1 &
  SESSION_PIDS+=($!)
}

session_window() {
  local id=""
  for _ in $(seq 150); do
    id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)"
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "no window \"$1\"" >&2; return 1; }
  echo "$id"
}

session_main_window() {
  session_start "$1" || session_fail "the session did not start"
  session_app
  SESSION_WINDOW="$(session_window 'Clipvane 1\.0')" || session_fail "the main window did not appear"
  sleep 1.5 # past the deferred start-up
}

session_fail() {
  echo "FAIL: $*" >&2
  [ -f "$SESSION/app.log" ] && sed 's/^/app: /' "$SESSION/app.log" >&2
  exit 1
}

session_start_job() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + 100)) $((Y + 98)) click 1   # the address field
  xdotool type --delay 2 "$(session_address "$2")"
  xdotool mousemove $((X + 14)) $((Y + 234)) click 1   # untick "Open video file..."
  xdotool mousemove $((X + 336)) $((Y + 161)) click 1  # Start
}
