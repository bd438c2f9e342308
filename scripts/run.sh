#!/usr/bin/env bash
# Builds Lorecase (installing what is missing) and starts it from the user's own program folder:
# LORECASE_HOME when set, otherwise Lorecase in the per-user data folder. The program files
# there are refreshed from the build on every run; the collection and everything else the
# program writes there are never overwritten, so removing or rebuilding build/ loses nothing.
# A collection that is missing or holds nothing at all gets the sample collection.
#
#   scripts/run.sh [--no-build] [--build-dir DIR]
#     --no-build       start what is already built (no packages, no build)
#     --build-dir DIR  the build folder (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
do_build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) do_build=0 ;;
    --build-dir)
      [ $# -ge 2 ] || { echo "run.sh: --build-dir needs a folder" >&2; exit 2; }
      build=$2
      shift
      ;;
    *) echo "run.sh: unknown argument \"$1\"; see the top of this script" >&2; exit 2 ;;
  esac
  shift
done

if [ "$do_build" -eq 1 ]; then
  bash scripts/deps.sh
  jobs=$(nproc 2>/dev/null || echo 2)
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j"$jobs"
fi
built=$build/Lorecase
if [ ! -x "$built/Lorecase" ] || [ ! -x "$built/lcmake" ]; then
  echo "run.sh: $built holds no built program; run without --no-build first" >&2
  exit 1
fi
built=$(cd "$built" && pwd)

home=${LORECASE_HOME:-${XDG_DATA_HOME:-${HOME:?}/.local/share}/Lorecase}
mkdir -p "$home"
home=$(cd "$home" && pwd)

# What the program and the user write into the program folder; the build's copies of these (a
# program started straight from the build folder makes them) are never carried over.
is_users() {
  case "$1" in
    *.mdb | *.mdb-* | *.qcf | error.log | Dataloom.log | quickfind.log | Start.html | QuickClip | \
      '~clp.tmp' | '~udtmp.tmp' | sftudate.tmp) return 0 ;;
  esac
  return 1
}

# Copies what changed, each file under a temporary name first: a program file that is running
# elsewhere is replaced, not written into. Hidden entries are other tools' temporary files.
refresh() {
  local from=$1 to=$2 entry name
  for entry in "$from"/*; do
    [ -e "$entry" ] || [ -L "$entry" ] || continue
    name=${entry##*/}
    if [ "$from" = "$built" ] && is_users "$name"; then
      continue
    fi
    if [ -d "$entry" ] && [ ! -L "$entry" ]; then
      mkdir -p "$to/$name"
      refresh "$entry" "$to/$name"
    elif [ -L "$entry" ] || ! cmp -s "$entry" "$to/$name"; then
      cp -pP "$entry" "$to/.$name.new"
      mv -f "$to/.$name.new" "$to/$name"
    fi
  done
}

if [ "$home" != "$built" ]; then
  refresh "$built" "$home"
  # A collection kept in the build folder by an older run command moves along once (copied,
  # the original stays).
  if [ ! -e "$home/lorecase.mdb" ] && [ -f "$built/lorecase.mdb" ] &&
    [ ! -e "$built/lorecase.mdb-wal" ]; then
    cp -p "$built/lorecase.mdb" "$home/lorecase.mdb"
  fi
fi
"$home/lcmake" sample "$home/lorecase.mdb" --replace-empty --keep-existing
echo "Program folder: $home"

xvfb_pid=
display_file=
stop_screen() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
  fi
  [ -z "$display_file" ] || rm -f "$display_file"
}
trap stop_screen EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # Xvfb picks a free display number itself and writes it once it is ready.
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$display_file" ]; then
    echo "run.sh: no display found, and the virtual screen (Xvfb) did not start" >&2
    exit 1
  fi
  export DISPLAY=":$(head -n1 "$display_file")"
  echo "No display found: Lorecase runs on a virtual screen ($DISPLAY) that nobody sees."
  echo "Close it with Ctrl+C; the virtual screen stops with it."
fi
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:-} --no-sandbox"
fi
export LORECASE_HOME=$home
status=0
"$home/Lorecase" || status=$?
exit $status
