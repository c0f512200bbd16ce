#!/usr/bin/env bash
# Runs the checks of .clang-tidy on every program source (not the tests,
# benchmarks or fuzz targets) of a configured build folder; any finding
# fails. Usage: scripts/check_tidy.sh BUILD-FOLDER
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "$1" && pwd)"
tidy="$(command -v clang-tidy-14 || command -v clang-tidy)"
runner="$(command -v run-clang-tidy-14 || command -v run-clang-tidy)"
# The generated sources of moc and uic are Qt's, not ours.
"$runner" -quiet -j 2 -clang-tidy-binary "$tidy" -p "$build" \
  "^$here/(platform|core|ui|cli|tools)/.*\.cpp$" >"$build/clang-tidy.log" 2>&1 || true
# Without the terminal's colours, each finding once.
if sed 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.log" | grep -E "(warning|error): " | sort -u | grep .; then
  echo "clang-tidy found the above" >&2
  exit 1
fi
echo "clang-tidy: no findings"
