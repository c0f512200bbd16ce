#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what clang-format makes of it
# with the project's .clang-format. Fix with: scripts/check_format.sh --fix
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
format="$(command -v clang-format-14 || command -v clang-format)"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  "$format" -i "${files[@]}"
  exit 0
fi
"$format" --dry-run -Werror "${files[@]}"
echo "${#files[@]} files formatted as .clang-format says"
