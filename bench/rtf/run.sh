#!/usr/bin/env bash
# RTF benchmark: loading and text extraction of 10 MB of RTF, side by side with unrtf
# (installed here when missing).
#   bench/rtf/run.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/../.."
if ! command -v unrtf >/dev/null 2>&1; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends unrtf
fi
exec bash bench/run.sh "${1:-build}" bench_rtf
