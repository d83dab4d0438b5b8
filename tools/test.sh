#!/usr/bin/env bash
# Installs what is missing, builds everything in build/ and runs every test.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
./tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$(nproc)"
