#!/usr/bin/env bash
# Starts the program from the build tree.
set -euo pipefail
cd "$(dirname "$0")/../build"
if [ -x app/Varrow ]; then
    exec app/Varrow "$@"
fi
echo "Varrow is not built yet: run bash scripts/build.sh --program first." >&2
exit 1
