#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENRITH_TESTS=OFF
cmake --build build -j"$(nproc)" --target quenrith
exec build/bin/quenrith "$@"
