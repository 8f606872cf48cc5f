#!/usr/bin/env bash
# Draws the program's pictures into resources/ again (after a change in tools/draw-images); the pictures are
# committed, so a normal build does not need this.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target draw-images
QT_QPA_PLATFORM=offscreen build/tools/draw-images/draw-images resources
