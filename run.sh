#!/usr/bin/env bash
# Installs what is missing, builds Lumicar in release mode and starts it.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DLUMICAR_BUILD_TESTS=OFF -DLUMICAR_BUILD_BENCH=OFF >/dev/null
cmake --build build/release -j "$(nproc)" --target lumicar
exec build/release/app/lumicar "$@"
