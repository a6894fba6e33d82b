#!/usr/bin/env bash
# Fails when a C++ file of src, tools, tests, bench or fuzz is not in the
# style of .clang-format (clang-format 14); with --fix, formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files 'src/*.h' 'src/*.cpp' 'tools/*.h' 'tools/*.cpp' 'tests/*.h' 'tests/*.cpp' \
  'bench/*.h' 'bench/*.cpp' 'fuzz/*.h' 'fuzz/*.cpp')
if [ "${1:-}" = "--fix" ]; then
  echo "$files" | xargs clang-format-14 -i
else
  echo "$files" | xargs clang-format-14 --dry-run -Werror
  echo "format: $(echo "$files" | wc -l) files in style"
fi
