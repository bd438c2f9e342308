#!/usr/bin/env bash
# Fails when a C++ source drifts from the repository's .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -d '' files < <(find app base bench dataloom findlet pickit renewer scrivet tests tipline tools \
  \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
clang-format --dry-run --Werror "${files[@]}"
echo "clang-format: ${#files[@]} files checked"
