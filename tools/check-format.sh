#!/usr/bin/env bash
# Fails when a C or C++ file of the tree is not as clang-format (with the
# tree's .clang-format) writes it. Prints the files and how to mend them.
# Usage: tools/check-format.sh [--fix]
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
command -v clang-format >/dev/null || { echo "clang-format is not installed (tools/install-deps.sh)" >&2; exit 2; }
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' '*.c' | grep -v '/corpus/')
if [ "${1:-}" = "--fix" ]; then
  clang-format --style=file -i "${files[@]}"
  exit 0
fi
bad=$(clang-format --style=file --dry-run "${files[@]}" 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u)
if [ -n "$bad" ]; then
  printf 'not formatted: %s\n' $bad
  echo "mend with: tools/check-format.sh --fix"
  exit 1
fi
echo "${#files[@]} files formatted"
