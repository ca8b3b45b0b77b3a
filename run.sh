#!/usr/bin/env bash
# Installs what is missing, builds a release build in build/ with its data
# (build/gamedata, made from data/) and starts the game on that data.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_SANITIZE=OFF
cmake --build build --target quillmarch sgdtool data
exec build/bin/quillmarch "$@"
