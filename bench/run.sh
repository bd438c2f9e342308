#!/usr/bin/env bash
# Builds the benchmarks (when needed) and runs them, printing their figures. Never part of
# the tests: timings belong on a quiet machine.
#
#   bench/run.sh [build-dir] [bench_name...]    default build dir: build, default: every bench_*
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ $# -gt 0 ] && shift
jobs=$(nproc 2>/dev/null || echo 2)

# The benchmarks are built only with LORECASE_BENCH on. It is put back when this script ends,
# so the test command, which shares the build folder, goes on building without them.
was_on=0
if [ -f "$build/CMakeCache.txt" ]; then
  grep -qE '^LORECASE_BENCH:BOOL=(ON|TRUE|1|YES)$' "$build/CMakeCache.txt" && was_on=1
  cmake -S . -B "$build" -DLORECASE_BENCH=ON >/dev/null
else
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLORECASE_BENCH=ON >/dev/null
fi
if [ "$was_on" -eq 0 ]; then
  trap 'cmake -S . -B "$build" -DLORECASE_BENCH=OFF >/dev/null' EXIT
fi

if [ $# -gt 0 ]; then
  names=("$@")
else
  # Every target named bench_*, whichever generator made the build folder.
  mapfile -t names < <(cmake --build "$build" --target help |
    grep -oE '(^|[^A-Za-z0-9_])bench_[A-Za-z0-9_]+' | grep -oE 'bench_[A-Za-z0-9_]+' |
    grep -v '_autogen$' | sort -u)
fi
if [ ${#names[@]} -eq 0 ]; then
  echo "No benchmarks found in $build." >&2
  exit 1
fi

targets=()
for name in "${names[@]}"; do targets+=(--target "$name"); done
cmake --build "$build" -j"$jobs" "${targets[@]}" >/dev/null

status=0
for name in "${names[@]}"; do
  exe="$build/bench/$name"
  [ -x "$exe" ] || exe="$build/Lorecase/$name"
  echo "== $name"
  if ! QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$exe"; then
    echo "$name failed" >&2
    status=1
  fi
  echo
done
exit $status
