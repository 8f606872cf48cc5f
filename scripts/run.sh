#!/usr/bin/env bash
# Starts the program from the build tree.
set -euo pipefail
cd "$(dirname "$0")/../build"
if [ -x app/Varrow ]; then
    exec app/Varrow "$@"
fi
echo "Varrow is built; the program has no window yet, so there is nothing to start."
