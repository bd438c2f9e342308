#!/usr/bin/env bash
# Installs the Debian packages Lorecase needs to build, run and test, skipping what is there.
set -euo pipefail
pkgs=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools
  libgl-dev libglx-dev libopengl-dev libvulkan-dev
  libsqlite3-dev sqlite3
  xvfb xauth imagemagick poppler-utils
  fonts-dejavu-core fonts-liberation fonts-crosextra-carlito fonts-crosextra-caladea
  qt6-qpa-plugins qt6-image-formats-plugins
  nginx curl clang-format
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
