#!/usr/bin/env bash
# Builds and runs the updater's download benchmark: a 100 MiB file from nginx on loopback,
# fetched by Renewer's DownloadFile and by curl. Usage: run.sh [build folder] [MiB] [rounds]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
need=()
command -v curl >/dev/null || need+=(curl)
[ -x /usr/sbin/nginx ] || command -v nginx >/dev/null || need+=(nginx)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLORECASE_BENCH=ON >/dev/null
cmake --build "$build" --target bench_renewer -j"$(nproc 2>/dev/null || echo 2)"
QT_QPA_PLATFORM=offscreen "$build/bench/bench_renewer" "${2:-100}" "${3:-3}"
