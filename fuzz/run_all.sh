#!/usr/bin/env bash
# Runs every fuzz target for a bounded time on a copy of its seed corpus.
# Any crash, leak, sanitizer report or time-out fails the run.
# Usage: fuzz/run_all.sh BUILD-FOLDER [SECONDS-EACH]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$(cd "$1" && pwd)"
seconds="${2:-60}"
work="$(mktemp -d /tmp/clipvane-fuzz.XXXXXX)"
trap 'rm -rf "$work"' EXIT
failed=0
for target in scrape streamid playlist dialect settings strtoint; do
  mkdir -p "$work/$target"
  cp "$here/corpus/$target"/* "$work/$target/"
  echo "fuzz_$target: ${seconds}s"
  if ! (cd "$work" && "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
      -print_final_stats=1 "$work/$target" >"$work/$target.log" 2>&1); then
    echo "fuzz_$target FAILED:" >&2
    tail -40 "$work/$target.log" >&2
    cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$here/" 2>/dev/null || true
    failed=1
  else
    grep -E '^stat::number_of_executed_units' "$work/$target.log" || true
  fi
done
exit "$failed"
