#!/usr/bin/env bash
# Configures and builds into build/ with Ninja on every core.
#   scripts/build.sh            everything: the program, the simulator, the tests and the benchmarks
#   scripts/build.sh --program  only what starting the program needs: Varrow and the recorder simulator
# Other arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
targets=()
if [ "${1:-}" = "--program" ]; then
    shift
    targets=(--target Varrow recorder-sim)
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARROW_WERROR=ON "$@"
cmake --build build -j"$(nproc)" "${targets[@]}"
