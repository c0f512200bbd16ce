#!/usr/bin/env bash
# Compares the wall time of a conversion through nnn.exe with ffmpeg run
# directly with the equivalent options, on the same generated FLV, taking
# turns so both see the same machine. The goal: nnn.exe costs at most 5% more.
# Usage: bench/converter_overhead.sh [path/to/nnn] [seconds of clip] [rounds]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
nnn="${1:-$root/build/bin/nnn}"
seconds="${2:-60}"
rounds="${3:-5}"

work="$(mktemp -d /tmp/clipvane-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT
ffmpeg -nostdin -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc=size=320x240:rate=15:duration=$seconds" \
  -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=$seconds" \
  -c:v flv1 -q:v 5 -c:a libmp3lame -b:a 64k -ac 1 -f flv "$work/temp.flv"

now() { date +%s.%N; }
direct=()
adapted=()
for _ in $(seq "$rounds"); do
  rm -f "$work/direct.avi" "$work/temp.avi"
  t0=$(now)
  ffmpeg -nostdin -hide_banner -loglevel error -y -i "file:$work/temp.flv" \
    -c:v mpeg4 -tag:v divx -q:v 6 -s 320x240 -c:a libmp3lame -ac 1 -ar 44100 -b:a 64k \
    -f avi "file:$work/direct.avi"
  t1=$(now)
  "$nnn" -i "$work/temp.flv" -vcodec mpeg4 -vtag divx -qscale 6 -b 320 -s 320x240  -acodec mp3 \
    -ac 1 -ar 44100 -ab 64 -f avi "$work/temp.avi" >/dev/null 2>&1 </dev/null
  t2=$(now)
  direct+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}')")
  adapted+=("$(awk -v a="$t1" -v b="$t2" 'BEGIN {print b - a}')")
done

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
d=$(median "${direct[@]}")
a=$(median "${adapted[@]}")
overhead=$(awk -v a="$a" -v d="$d" 'BEGIN {print (a - d) / d * 100}')
printf 'clip %ss, %s rounds: ffmpeg %.3fs, nnn.exe %.3fs (median), overhead %+.1f%% (goal: at most 5%%)\n' \
  "$seconds" "$rounds" "$d" "$a" "$overhead"
