#!/usr/bin/env bash
# Configures and builds into build/ with Ninja on every core.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARROW_WERROR=ON "$@"
cmake --build build -j"$(nproc)"
