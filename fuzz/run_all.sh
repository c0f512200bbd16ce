#!/usr/bin/env bash
# Replays every fuzz target's seed corpus, then fuzzes the targets for a
# bounded time each, as many at once as there are cores (two here). Any
# crash, leak, sanitizer report or time-out fails the run.
# Usage: fuzz/run_all.sh BUILD-FOLDER [SECONDS-EACH]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$(cd "$1" && pwd)"
seconds="${2:-60}"
targets=(scrape streamid playlist dialect settings strtoint pagemedia hls)
work="$(mktemp -d /tmp/clipvane-fuzz.XXXXXX)"
trap 'rm -rf "$work"' EXIT

report() { # target, log
  echo "fuzz_$1 FAILED:" >&2
  tail -40 "$2" >&2
  cp "$work/$1"-artifacts/* "$here/" 2>/dev/null || true
}

# Every seed once: the regression cases of earlier findings among them.
failed=0
for target in "${targets[@]}"; do
  if ! "$build/bin/fuzz_$target" -runs=0 -timeout=10 -rss_limit_mb=4096 "$here/corpus/$target" \
      >"$work/$target-replay.log" 2>&1; then
    report "$target" "$work/$target-replay.log"
    failed=1
  fi
done
echo "seed corpora replayed: ${#targets[@]} targets"
[ "$failed" -eq 0 ] || exit 1

fuzz_one() { # target
  local target="$1"
  mkdir -p "$work/$target" "$work/$target-artifacts"
  cp "$here/corpus/$target"/* "$work/$target/"
  if ! "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
      -artifact_prefix="$work/$target-artifacts/" -print_final_stats=1 "$work/$target" \
      >"$work/$target.log" 2>&1; then
    report "$target" "$work/$target.log"
    touch "$work/$target.failed"
    return 1
  fi
  echo "fuzz_$target: ${seconds}s, $(grep -E '^stat::number_of_executed_units' "$work/$target.log" | awk '{print $2}') runs"
}

cores="$(nproc)"
for target in "${targets[@]}"; do
  fuzz_one "$target" &
  while [ "$(jobs -rp | wc -l)" -ge "$cores" ]; do
    wait -n || true
  done
done
wait
if compgen -G "$work/*.failed" >/dev/null; then
  exit 1
fi
