#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing the program need.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
    build-essential cmake ninja-build ccache pkg-config \
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n \
    libqt6opengl6-dev libgl-dev libxkbcommon-dev \
    libsqlite3-dev sqlite3 libcurl4-openssl-dev \
    xvfb xauth openbox xdotool libxcb1-dev fonts-liberation fonts-wqy-microhei faketime \
    e2fsprogs mount \
    bindfs fuse3
