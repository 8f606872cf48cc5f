#!/usr/bin/env bash
# Runs every test headless, in parallel.
#   scripts/test.sh                               on the machine's clock
#   scripts/test.sh --date "2028-02-29 10:00:00"  with the wall clock starting at that moment (libfaketime), so a
#                                                 test that passes only in some months or on some days shows; the
#                                                 monotonic clock, which the waits use, stays real
set -euo pipefail
cd "$(dirname "$0")/../build"
export QT_QPA_PLATFORM=offscreen
launcher=()
if [ "${1:-}" = "--date" ]; then
    [ $# -ge 2 ] || { echo "usage: scripts/test.sh [--date 'YYYY-MM-DD hh:mm:ss']" >&2; exit 2; }
    command -v faketime >/dev/null || { echo "faketime is not installed (Debian package faketime)" >&2; exit 2; }
    # Faking the monotonic clock, or "fixing" it, breaks timed waits on condition variables.
    export FAKETIME_DONT_FAKE_MONOTONIC=1 FAKETIME_FORCE_MONOTONIC_FIX=0
    launcher=(faketime -f "@$2")
    echo "Running the suite with the wall clock starting at $2"
fi
"${launcher[@]}" ctest --output-on-failure -j"$(nproc)" --timeout 600
