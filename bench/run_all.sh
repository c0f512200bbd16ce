#!/usr/bin/env bash
# Runs every benchmark against a stand-in service on loopback and prints a
# table of figures against their targets.
# Usage: bench/run_all.sh [build folder]   (default: build/, as ./run makes it)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
work="$(mktemp -d /tmp/clipvane-bench.XXXXXX)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/bin" "$work/home/Desktop" "$work/out"
cp "$build/bin/clipvane-cli" "$work/bin/"
# HLS as the peers were measured on: 80 seconds of 720p in 2-second
# segments, each connection given 2 MB/s.
mkdir -p "$work/shared"
"$build/bin/clipvane-standin" --port 0 --hosts-ini "$work/bin/hosts.ini" --cache "$work/cache" \
  --shared "$work/shared" --hls-clip 80x1280x720 --hls-rate $((2 * 1024 * 1024)) \
  >"$work/standin.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/bin/hosts.ini" ] && break; sleep 0.1; done
base="$(head -1 "$work/standin.log" | sed 's/^Listening on //')"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", b - a}'; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }
rows=()
row() { rows+=("$(printf '| %-46s | %-22s | %-14s | %-4s |' "$1" "$2" "$3" "$4")"); }
verdict() { awk -v v="$1" -v t="$2" -v op="$3" 'BEGIN {ok = (op == ">=") ? v >= t : v <= t; print ok ? "yes" : "NO"}'; }

# Runs a command and prints "wall cpu" in seconds (cpu: user + sys of the
# command and its children).
timed() {
  local out
  out=$({ TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>&1; } 2>&1 | tail -1)
  awk '{printf "%.3f %.3f\n", $1, $2 + $3}' <<<"$out"
}

# 1. Download of 200 MB against curl: five turns each, alternating, a fresh
# output file every time (the program deletes temp.flv before each
# download, so curl gets no old file to overwrite either).
size=$((200 * 1024 * 1024))
stream="$base/bytes/$size"
ours_wall=(); ours_cpu=(); curl_wall=(); curl_cpu=(); null_wall=(); null_cpu=()
for _ in 1 2 3 4 5; do
  rm -f "$work/curl.bin"
  read -r w c < <(timed curl -s -o "$work/curl.bin" "$stream"); curl_wall+=("$w"); curl_cpu+=("$c")
  rm -f "$work/ours.bin"
  read -r w c < <(timed "$build/bin/clipvane-bench-download" "$stream" "$work/ours.bin"); ours_wall+=("$w"); ours_cpu+=("$c")
  read -r w c < <(timed curl -s -o /dev/null "$stream"); null_wall+=("$w"); null_cpu+=("$c")
done
cmp -s "$work/curl.bin" "$work/ours.bin" || { echo "the downloads differ" >&2; exit 1; }
# The page-cache copy of the same bytes: what the disk side costs at least.
cat "$work/curl.bin" >/dev/null
copy_wall=()
for _ in 1 2 3 4 5; do
  rm -f "$work/copy.bin"
  read -r w c < <(timed dd if="$work/curl.bin" of="$work/copy.bin" bs=1M); copy_wall+=("$w")
done
rm -f "$work/curl.bin" "$work/ours.bin" "$work/copy.bin"
ow=$(median "${ours_wall[@]}"); oc=$(median "${ours_cpu[@]}")
cw=$(median "${curl_wall[@]}"); cc=$(median "${curl_cpu[@]}")
ratio=$(awk -v o="$ow" -v c="$cw" 'BEGIN {printf "%.2f", c / o}')
cpu=$(awk -v o="$oc" -v c="$cc" 'BEGIN {printf "%.2f", o / c}')
row "download 200 MB: throughput, ours / curl -o" "$ratio (${ow}s vs ${cw}s)" ">= 0.90" "$(verdict "$ratio" 0.9 ">=")"
row "download 200 MB: CPU user+sys, ours / curl -o" "$cpu (${oc}s vs ${cc}s)" "<= 1.50" "$(verdict "$cpu" 1.5 "<=")"
row "limit: curl -o /dev/null (the stand-in's rate)" "$(median "${null_wall[@]}")s, CPU $(median "${null_cpu[@]}")s" "-" "-"
row "limit: page-cache copy, dd bs=1M" "$(median "${copy_wall[@]}")s" "-" "-"

# 2. Conversion of a 60-second clip through nnn.exe against bare ffmpeg.
line="$("$root/bench/converter_overhead.sh" "$build/bin/nnn" 60 5)"
d=$(sed -n 's/.*ffmpeg \([0-9.]*\)s.*/\1/p' <<<"$line"); a=$(sed -n 's/.*nnn.exe \([0-9.]*\)s.*/\1/p' <<<"$line")
cratio=$(awk -v a="$a" -v d="$d" 'BEGIN {printf "%.3f", a / d}')
row "conversion 60 s clip: nnn.exe / ffmpeg time" "$cratio (${a}s vs ${d}s)" "<= 1.03" "$(verdict "$cratio" 1.03 "<=")"

# 2b. A damaged FLV whose conversion prints warnings by the hundred
# kilobytes: the job's way (runner, adapter, a read a second) against bare
# ffmpeg, taking turns.
noisy="$work/noisy"
mkdir -p "$noisy/tools" "$noisy/temp"
cp "$build/bin/nnn" "$noisy/tools/nnn.exe"
ffmpeg -nostdin -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc=size=320x240:rate=25:duration=20" \
  -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=20" \
  -c:v flv1 -q:v 3 -c:a libmp3lame -b:a 64k -ac 1 -f flv "$noisy/clean.flv"
python3 - "$noisy/clean.flv" "$noisy/temp/temp.flv" <<'PY'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
# A few bytes spoiled every 2 KB past the header: the decoders complain at
# almost every packet, and go on.
for at in range(4096, len(data), 2048):
    data[at:at + 8] = b'\xff\x00\xff\x00\xff\x00\xff\x00'
open(sys.argv[2], 'wb').write(data)
PY
bare=()
job=()
warned=0
for _ in 1 2 3 4 5; do
  rm -f "$noisy/bare.avi"
  t0=$(now)
  ffmpeg -nostdin -hide_banner -loglevel info -y -i "file:$noisy/temp/temp.flv" \
    -c:v mpeg4 -tag:v divx -q:v 6 -s 320x240 -c:a libmp3lame -ac 1 -ar 44100 -b:a 64k \
    -f avi "file:$noisy/bare.avi" 2>"$noisy/bare.log" || true
  t1=$(now)
  bare+=("$(elapsed "$t0" "$t1")")
  result="$("$build/bin/clipvane-bench-convert" "$noisy/tools/" "$noisy/temp/" || true)"
  job+=("$(field seconds <<<"$result")")
  warned=$(sed -n 's/.*output_bytes=\([0-9]*\).*/\1/p' <<<"$result")
done
b=$(median "${bare[@]}"); j=$(median "${job[@]}")
nratio=$(awk -v j="$j" -v b="$b" 'BEGIN {printf "%.3f", j / b}')
row "noisy FLV ($((warned / 1024)) KB said): job's way / ffmpeg" "$nratio (${j}s vs ${b}s)" "<= 1.10" "$(verdict "$nratio" 1.10 "<=")"

# 3. Peak resident memory, 1 GB download against 10 MB.
small=$("$build/bin/clipvane-bench-download" "$base/bytes/$((10 * 1024 * 1024))" "$work/small.bin" | field peak_rss_kb)
large=$("$build/bin/clipvane-bench-download" "$base/bytes/$((1024 * 1024 * 1024))" "$work/large.bin" | field peak_rss_kb)
rm -f "$work/small.bin" "$work/large.bin"
extra=$(awk -v l="$large" -v s="$small" 'BEGIN {printf "%.1f", (l - s) / 1024}')
row "peak memory: 1 GB download above 10 MB" "$extra MB (${large} vs ${small} kB)" "<= 8 MB" "$(verdict "$extra" 8 "<=")"

# 3b. Peak resident memory of clipvane-cli reading a hostile page of almost
# 16 MiB (one huge title; millions of empty lines) against an ordinary job
# that ends at the same step (a page whose sequence document is missing).
peak_of_job() { # vid
  HOME="$work/home" python3 - "$work/bin/clipvane-cli" "$base/video/play?vid=$1&fr=cv" "$work/out" <<'PY'
import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
PY
}
ordinary=$(peak_of_job 2005)
page_kb=$((16 * 1024))
for hostile in "2013 one 16 MiB title" "2014 16 M empty lines"; do
  vid=${hostile%% *}
  peak=$(peak_of_job "$vid")
  times=$(awk -v p="$peak" -v o="$ordinary" -v s="$page_kb" 'BEGIN {printf "%.2f", (p - o) / s}')
  row "memory on a hostile page (${hostile#* }) above an ordinary job, in page sizes" "$times (${peak} vs ${ordinary} kB)" "<= 3" "$(verdict "$times" 3 "<=")"
done

# 4. Time from Cancel (Ctrl+C to clipvane-cli) to the end of the job.
cancel() { # phase, vid, text that marks the phase
  local log="$work/$1.log"
  HOME="$work/home" "$work/bin/clipvane-cli" "$base/video/play?vid=$2&fr=cv" "$work/out" >"$log" 2>&1 &
  local pid=$!
  for _ in $(seq 600); do grep -q "$3" "$log" 2>/dev/null && break; sleep 0.01; done
  local t0; t0=$(now)
  kill -INT "$pid"
  wait "$pid" || true
  local t1; t1=$(now)
  local took; took=$(elapsed "$t0" "$t1")
  row "Cancel to the end of the job, $1" "${took}s" "<= 1.2 s" "$(verdict "$took" 1.2 "<=")"
}
cancel "resolution" 1001 "Current process."
cancel "download" 2001 "Downloading... ("
cancel "download, server stalled" 2002 "Downloading... ("
cancel "conversion" 1004 "Converting..."

# 5. A whole job on a 60-second clip against what it does by hand: curl for
# the stream, then bare ffmpeg with the same profile; taking turns, fresh
# output every time.
page60="$base/video/play?vid=1005&fr=cv"
flv60="$(curl -s "$base/makeplaylist.dll?sid=st-7340016&pt=xml&t=flv&sdm=web" |
  sed -n 's/.*URLPREFIX="\([^"]*\)" SERVER="\([^"]*\)" PATH="\([^"]*\)" QUERYSTRING="\([^"]*\)".*/\1\2\3?\4/p' |
  sed 's/&amp;/\&/g')"
[ -n "$flv60" ] || { echo "no stream address for the 60-second clip" >&2; exit 1; }
by_hand() {
  rm -f "$work/hand.flv" "$work/hand.avi"
  curl -s -o "$work/hand.flv" "$flv60" &&
    ffmpeg -nostdin -hide_banner -loglevel error -y -i "file:$work/hand.flv" \
      -c:v mpeg4 -tag:v divx -q:v 6 -s 320x240 -c:a libmp3lame -ac 1 -ar 44100 -b:a 64k \
      -f avi "file:$work/hand.avi"
}
whole() {
  rm -rf "$work/whole"; mkdir -p "$work/whole"
  HOME="$work/home" "$work/bin/clipvane-cli" "$page60" "$work/whole"
}
whole >/dev/null 2>&1 # the clip is generated on first request, and the tool installed
hand_wall=(); job_wall=()
for _ in 1 2 3 4 5; do
  read -r w c < <(timed by_hand); hand_wall+=("$w")
  read -r w c < <(timed whole); job_wall+=("$w")
done
[ -n "$(ls "$work/whole")" ] || { echo "the whole job saved nothing" >&2; exit 1; }
hw=$(median "${hand_wall[@]}"); jw=$(median "${job_wall[@]}")
jratio=$(awk -v j="$jw" -v h="$hw" 'BEGIN {printf "%.3f", j / h}')
row "whole job, 60 s clip: clipvane-cli / curl+ffmpeg" "$jratio (${jw}s vs ${hw}s)" "<= 1.10" "$(verdict "$jratio" 1.1 "<=")"

# 6. Reading the largest real page: time and memory.
page="$root/../shared/realweb/pages/forbes.html"
if [ -f "$page" ]; then
  result="$("$build/bin/clipvane-bench-page" "$page" "https://www.forbes.com/")"
  ms=$(field ms <<<"$result"); grown=$(field grown_kb <<<"$result"); bytes=$(field bytes <<<"$result")
  times=$(awk -v g="$grown" -v b="$bytes" 'BEGIN {printf "%.2f", g * 1024 / b}')
  row "page reading, largest real page ($((bytes / 1024)) KB)" "${ms} ms" "<= 20 ms" "$(verdict "$ms" 20 "<=")"
  row "page reading: memory grown, in page sizes" "$times (${grown} kB)" "<= 3" "$(verdict "$times" 3 "<=")"
fi

# 7. The formats. Original on a 120-second 720p H.264 direct link against
# curl -o then ffmpeg -c copy; an MP4 transcode the job's way against bare
# ffmpeg with the very same options. Taking turns, fresh files.
ffmpeg -nostdin -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc=size=1280x720:rate=25:duration=120" \
  -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=120" \
  -c:v libx264 -preset veryfast -b:v 2500k -c:a aac -movflags +faststart "$work/shared/direct.mp4"
direct="$base/realweb/direct.mp4"
original() {
  rm -rf "$work/orig"; mkdir -p "$work/orig"
  HOME="$work/home" "$work/bin/clipvane-cli" --format original "$direct" -o "$work/orig"
}
copied() {
  rm -f "$work/copy.mp4" "$work/copied.mp4"
  curl -s -o "$work/copy.mp4" "$direct" &&
    ffmpeg -nostdin -hide_banner -loglevel error -y -i "$work/copy.mp4" -c copy "$work/copied.mp4"
}
ours=(); theirs=()
for _ in 1 2 3; do
  read -r w c < <(timed copied); theirs+=("$w")
  read -r w c < <(timed original); ours+=("$w")
done
ow=$(median "${ours[@]}"); tw=$(median "${theirs[@]}")
oratio=$(awk -v o="$ow" -v t="$tw" 'BEGIN {printf "%.3f", o / t}')
row "Original, 120 s 720p link: ours / curl+ffmpeg -c copy" "$oratio (${ow}s vs ${tw}s)" "<= 1.30" "$(verdict "$oratio" 1.3 "<=")"

flv="$work/shared/clip.flv"
ffmpeg -nostdin -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc=size=640x360:rate=25:duration=60" \
  -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=60" \
  -c:v flv1 -q:v 4 -c:a libmp3lame -b:a 96k -f flv "$flv"
args="$("$build/bin/clipvane-bench-convert" --plan mp4 "$flv" "$work/job.mp4" | sed -n 's/^args=//p')"
IFS=$'\x1f' read -r -a options <<<"$args"
for i in "${!options[@]}"; do [ "${options[$i]}" = "file:$work/job.mp4" ] && options[$i]="file:$work/bare.mp4"; done
bare=(); job=()
for _ in 1 2 3; do
  read -r w c < <(timed ffmpeg "${options[@]}"); bare+=("$w")
  read -r w c < <(timed "$build/bin/clipvane-bench-convert" --plan mp4 "$flv" "$work/job.mp4"); job+=("$w")
done
bw=$(median "${bare[@]}"); jw=$(median "${job[@]}")
mratio=$(awk -v j="$jw" -v b="$bw" 'BEGIN {printf "%.3f", j / b}')
row "MP4 transcode, 60 s 640x360: the job's way / ffmpeg" "$mratio (${jw}s vs ${bw}s)" "<= 1.05" "$(verdict "$mratio" 1.05 "<=")"

# 8. HLS: 80 seconds of 720p, 40 segments, 2 MB/s a connection; Clipvane
# (--format original, its default four connections) against ffmpeg's own HLS
# reader (two connections) and yt-dlp with four connections (Debian's, as a
# timing peer only).
if ! command -v yt-dlp >/dev/null; then
  sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends yt-dlp >/dev/null 2>&1 || true
fi
master="$base/hls/ts/master.m3u8"
hi="$base/hls/ts/hi.m3u8"
curl -s -o /dev/null "$master" # made on first request
ours_hls() { # extra options
  rm -rf "$work/hls"; mkdir -p "$work/hls"
  HOME="$work/home" "$work/bin/clipvane-cli" --format original "$@" "$master" -o "$work/hls"
}
ffmpeg_hls() {
  rm -f "$work/ffmpeg-hls.mp4"
  ffmpeg -nostdin -hide_banner -loglevel error -y -i "$hi" -c copy "$work/ffmpeg-hls.mp4"
}
ytdlp_hls() {
  rm -rf "$work/ytdlp"; mkdir -p "$work/ytdlp"
  yt-dlp -q --no-progress -N 4 -o "$work/ytdlp/out.%(ext)s" "$hi"
}
ours_wall=(); ours_cpu=(); ff_wall=(); yt_wall=(); yt_cpu=(); six_wall=()
for _ in 1 2 3; do
  read -r w c < <(timed ours_hls); ours_wall+=("$w"); ours_cpu+=("$c")
  read -r w c < <(timed ours_hls --connections 6); six_wall+=("$w")
  read -r w c < <(timed ffmpeg_hls); ff_wall+=("$w")
  if command -v yt-dlp >/dev/null; then
    read -r w c < <(timed ytdlp_hls); yt_wall+=("$w"); yt_cpu+=("$c")
  fi
done
[ -n "$(ls "$work/hls")" ] || { echo "the HLS job saved nothing" >&2; exit 1; }
hw=$(median "${ours_wall[@]}"); hc=$(median "${ours_cpu[@]}"); fw=$(median "${ff_wall[@]}")
r=$(awk -v o="$hw" -v f="$fw" 'BEGIN {printf "%.2f", o / f}')
row "HLS 80 s 720p, 2 MB/s a connection: ours / ffmpeg" "$r (${hw}s vs ${fw}s)" "<= 0.50" "$(verdict "$r" 0.5 "<=")"
# The least four connections can take: the stream's bytes at 4 x 2 MB/s.
bytes=$(cat "$work/cache/hls-ts"/hi_*.ts | wc -c)
least=$(awk -v b="$bytes" 'BEGIN {printf "%.3f", b / (4 * 2 * 1024 * 1024)}')
r=$(awk -v l="$least" -v f="$fw" 'BEGIN {printf "%.2f", l / f}')
row "limit: its bytes over 4 connections / ffmpeg" "$r (${least}s, $((bytes / 1048576)) MB)" "-" "-"
sw=$(median "${six_wall[@]}")
r=$(awk -v o="$sw" -v f="$fw" 'BEGIN {printf "%.2f", o / f}')
row "HLS with --connections 6: ours / ffmpeg" "$r (${sw}s vs ${fw}s)" "-" "-"
if [ ${#yt_wall[@]} -gt 0 ]; then
  yw=$(median "${yt_wall[@]}"); yc=$(median "${yt_cpu[@]}")
  r=$(awk -v o="$hw" -v y="$yw" 'BEGIN {printf "%.2f", o / y}')
  row "HLS: ours / yt-dlp -N 4, wall" "$r (${hw}s vs ${yw}s)" "<= 0.90" "$(verdict "$r" 0.9 "<=")"
  r=$(awk -v o="$hc" -v y="$yc" 'BEGIN {printf "%.2f", o / y}')
  row "HLS: ours / yt-dlp -N 4, CPU user+sys" "$r (${hc}s vs ${yc}s)" "<= 0.50" "$(verdict "$r" 0.5 "<=")"
else
  row "HLS: yt-dlp" "not installed" "-" "-"
fi
peak_of() { # arguments of clipvane-cli
  HOME="$work/home" python3 - "$work/bin/clipvane-cli" "$@" <<'PY'
import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
PY
}
rm -rf "$work/peak"; mkdir -p "$work/peak"
plain=$(peak_of --format original "$direct" -o "$work/peak")
segmented=$(peak_of --format original "$master" -o "$work/peak")
extra=$(awk -v s="$segmented" -v p="$plain" 'BEGIN {printf "%.1f", (s - p) / 1024}')
row "HLS: peak memory above a plain link's job" "$extra MB (${segmented} vs ${plain} kB)" "<= 32 MB" "$(verdict "$extra" 32 "<=")"

echo "Command: bench/run_all.sh $build"
echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo), $(uname -sr); $(date -u +%Y-%m-%d)"
echo
printf '| %-46s | %-22s | %-14s | %-4s |\n' "measure" "value" "target" "met"
printf '|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' $(seq 48))" "$(printf -- '-%.0s' $(seq 24))" "$(printf -- '-%.0s' $(seq 16))" "------"
printf '%s\n' "${rows[@]}"
