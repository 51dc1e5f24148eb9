#!/usr/bin/env bash
# Fails when a C++ source or header of ours is not laid out as .clang-format
# says, naming each file and line; build trees are not looked at.
#
#   scripts/check-format.sh              # check
#   clang-format -i <file>...            # lay files out
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if ! command -v clang-format >/dev/null; then
  echo "check-format: clang-format is not installed (scripts/setup.sh installs it)" >&2
  exit 1
fi
git ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h' ':!:build/**' |
  xargs -0 clang-format --dry-run -Werror
echo "check-format: every file is laid out as .clang-format says"
