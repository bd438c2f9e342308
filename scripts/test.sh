#!/usr/bin/env bash
# Builds Lorecase (installing what is missing) and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLORECASE_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox"
cd build && ctest --output-on-failure -j"$jobs" --timeout 300
