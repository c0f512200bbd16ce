#!/usr/bin/env bash
# Makes the Debian package in a build folder, has lintian look at it (no
# errors allowed), unpacks it into a scratch root and runs a job from there
# against the stand-in service.
# Usage: scripts/check_package.sh BUILD-FOLDER
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d /tmp/clipvane-package.XXXXXX)"
standin=""
cleanup() {
  [ -n "$standin" ] && kill "$standin" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
deb="$(ls "$build"/clipvane_1.0_*.deb)"
echo "package: $(basename "$deb")"
dpkg-deb -f "$deb" Depends
lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges' || true
lintian --fail-on error "$deb" >/dev/null 2>&1 || { echo "lintian found errors" >&2; exit 1; }

root="$work/root"
dpkg -x "$deb" "$root"
version="$("$root/usr/bin/clipvane-cli" --version)"
[ "$version" = "Clipvane 1.0" ] || { echo "clipvane-cli --version said: $version" >&2; exit 1; }

# No hosts.ini beside the installed program: the maker's host is the
# built-in one that does not exist, as on a user's machine.
"$build/bin/clipvane-standin" --port 0 --hosts-ini "$work/hosts.ini" --cache "$work/cache" \
  >"$work/standin.log" 2>&1 &
standin=$!
for _ in $(seq 100); do [ -s "$work/hosts.ini" ] && break; sleep 0.1; done
base="$(head -1 "$work/standin.log" | sed 's/^Listening on //')"
mkdir -p "$work/home" "$work/out"
pages=("$base/video/play?vid=1001&fr=cv" "$base/web/og.html" "$base/web/jsonld.html"
  "$base/web/embed.html" "$base/media/clip.mp4")
HOME="$work/home" XDG_CONFIG_HOME= XDG_CACHE_HOME= XDG_DATA_HOME= \
  "$root/usr/bin/clipvane-cli" "${pages[@]}" -o "$work/out" >"$work/job.log" 2>&1 ||
  { cat "$work/job.log" >&2; exit 1; }
saved="$(find "$work/out" -name '*.AVI' | wc -l)"
[ "$saved" = "${#pages[@]}" ] || { cat "$work/job.log" >&2; echo "the installed program saved $saved of ${#pages[@]}" >&2; exit 1; }
echo "jobs from the unpacked package, without hosts.ini: $(grep '^Summary' "$work/job.log")"
