#!/usr/bin/env bash
# Installs what is missing, builds, and launches the editor with a sample photo
# ready to edit.
#
# The document folder is $ZELTANORVIK_ROOT, by default ~/MyDocs/. On the first
# run the forest photograph "Path" (Debian package plasma-workspace-wallpapers)
# is copied there as Path.jpg; nothing is downloaded. Arguments go to the
# program (--fullscreen, --open FILE, --tool crop).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
./tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target zeltanorvik

export ZELTANORVIK_ROOT="${ZELTANORVIK_ROOT:-$HOME/MyDocs/}"
mkdir -p "$ZELTANORVIK_ROOT"
sample="/usr/share/wallpapers/Path/contents/images/2560x1600.jpg"
if [ -r "$sample" ] && [ ! -e "$ZELTANORVIK_ROOT/Path.jpg" ]; then
  cp "$sample" "$ZELTANORVIK_ROOT/Path.jpg"
  echo "run: sample photo copied to ${ZELTANORVIK_ROOT%/}/Path.jpg"
fi
# With no arguments the editor opens straight on the sample photo.
if [ $# -eq 0 ] && [ -r "$ZELTANORVIK_ROOT/Path.jpg" ]; then
  set -- --open "${ZELTANORVIK_ROOT%/}/Path.jpg"
fi
exec build/zeltanorvik "$@"
