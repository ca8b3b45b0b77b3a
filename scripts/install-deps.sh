#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and benchmarks with.
# Runs apt-get only when something is missing, so repeated runs cost nothing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config python3
  clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libminizip-dev libpng-dev libjpeg-dev
  libsdl2-dev libopenmpt-dev libvorbis-dev libgl-dev libx11-dev libxtst-dev xvfb
  libpixman-1-dev libpugixml-dev libmuparser-dev libcairo2-dev
  librsvg2-bin libfreetype-dev fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
