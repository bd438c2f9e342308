#!/usr/bin/env bash
# Fuzzes the RTF reader with libFuzzer for a given number of seconds (default 60) on the seed
# corpus. Built with clang apart from the main build; installs clang when it is missing.
#   bash bench/rtf/fuzz/run.sh [seconds] [extra libFuzzer options...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../../.." && pwd)"
seconds="${1:-60}"
shift || true

if ! command -v clang++ >/dev/null 2>&1; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends clang
fi

work="${FUZZ_WORK:-$root/build/fuzz-rtf}"
mkdir -p "$work/include" "$work/corpus" "$work/crashes"
# The reader's sources are built alone here, so the export macro has nothing to export.
echo '#define LCBASE_EXPORT' > "$work/include/lcbase_export.h"

bin="$work/fuzz_reader"
srcs=("$root"/base/rtf/*.cpp "$here/fuzz_reader.cpp")
if [ ! -x "$bin" ] || [ -n "$(find "${srcs[@]}" "$root"/base/rtf/*.h -newer "$bin" 2>/dev/null)" ]; then
  echo "building $bin"
  # shellcheck disable=SC2046
  clang++ -std=c++20 -O1 -g -fPIC -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined \
    -I"$work/include" -I"$root/base/rtf" $(pkg-config --cflags Qt6Core Qt6Gui) \
    "${srcs[@]}" $(pkg-config --libs Qt6Core Qt6Gui) -o "$bin"
fi

# The committed seeds stay as they are; what the fuzzer learns goes to the work folder.
cd "$work/crashes"
ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}" \
  "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -dict="$here/rtf.dict" "$@" "$work/corpus" "$here/corpus"
