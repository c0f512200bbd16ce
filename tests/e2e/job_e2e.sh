#!/usr/bin/env bash
# One whole job through the real program in a real X server, driven as a
# person would: type the address, untick the open option, press Start, and
# find the AVI in the output folder (the desktop folder by default).
# Usage: job_e2e.sh BUILD-FOLDER
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
. "$root/tools/xsession/session.sh"
fail() { session_fail "$@"; }

session_main_window "$1"
session_start_job "$SESSION_WINDOW" 1001

avi="$SESSION_HOME/Desktop/Harbour lights at dusk.AVI"
for _ in $(seq 600); do [ -f "$avi" ] && break; sleep 0.1; done
[ -f "$avi" ] || fail "no AVI in the output folder"

streams="$(ffprobe -v error -show_entries stream=codec_name,codec_tag_string,width,height,channels,sample_rate \
  -of compact=p=0 "$avi")"
grep -q 'codec_name=mpeg4|codec_tag_string=divx|width=320|height=240' <<<"$streams" || fail "video: $streams"
grep -q 'codec_name=mp3|.*sample_rate=44100|channels=1' <<<"$streams" || fail "audio: $streams"
echo "PASS: $avi"
