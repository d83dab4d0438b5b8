#!/usr/bin/env bash
# Installs what is missing, builds, and launches the editor with a sample photo ready to edit.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
./tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
if [ ! -x build/zeltanorvik ]; then
  echo "run: the editor program is not part of this tree yet; the library and its tests are built." >&2
  exit 1
fi
exec build/zeltanorvik "$@"
