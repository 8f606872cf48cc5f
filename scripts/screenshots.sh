#!/usr/bin/env bash
# Makes the README's pictures of the real windows again: the program runs headless over a temporary
# directory with the example scenario's recorders, and the pictures go to docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target varrow-screenshots
export QT_QPA_PLATFORM="offscreen:configfile=$PWD/tests/screens/1280x1024.json"
build/tools/screenshots/varrow-screenshots docs/screenshots docs/example-scenario.json
