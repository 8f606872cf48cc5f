#!/usr/bin/env bash
# Builds the end-to-end scenario under AddressSanitizer and under ThreadSanitizer and runs it in each build.
# Any sanitizer report fails the run. Usage: scripts/sanitize.sh [address|thread]...
set -euo pipefail
cd "$(dirname "$0")/.."
kinds=("$@")
[ ${#kinds[@]} -eq 0 ] && kinds=(address thread)
for kind in "${kinds[@]}"; do
    dir="build-$kind"
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARROW_SANITIZE="$kind" -DVARROW_BENCH=OFF >/dev/null
    cmake --build "$dir" -j"$(nproc)" --target tst_gui_scenario
    (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest -R '^gui_scenario$' --output-on-failure)
done
