#!/usr/bin/env bash
# Installs every Debian package zeltanorvik needs to build, run and test.
# Idempotent; run as root (or through sudo) on Debian 12.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config ccache clang libclang-rt-14-dev
  # Qt 6 and Qt Quick
  qt6-base-dev qt6-declarative-dev qt6-qpa-plugins qt6-tools-dev-tools
  qml6-module-qtqml qml6-module-qtqml-models qml6-module-qtqml-workerscript
  qml6-module-qtquick qml6-module-qtquick-window qml6-module-qtquick-templates
  qml6-module-qtquick-controls qml6-module-qtquick-layouts qml6-module-qtquick-dialogs
  qml6-module-qt-labs-folderlistmodel qml6-module-qt-labs-settings qml6-module-qttest
  qml6-module-qtquick-shapes
  # the interface's shaders (a collage cell's rounded corners), compiled at build time
  qt6-shadertools-dev qt6-shader-baker
  # the QML linter (qmllint), run by tools/qmllint.sh
  qt6-declarative-dev-tools
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # fonts for text in bubbles and the interface; Chinese and Japanese glyphs
  fonts-dejavu-core fonts-wqy-microhei
  # the fast PNG writer
  libdeflate-dev
  # sharing: account secrets in the system keyring
  qtkeychain-qt6-dev
  # the saved pictures' metadata (EXIF, XMP, IPTC, colour profile)
  libexiv2-dev
  # screenshots and image checks; the reference for the large-photo benchmark
  xvfb xauth imagemagick pngcheck libvips-tools xdotool
  # the HTTP test server and independent checkers
  python3
  # the sample photo the editor opens on first run
  plasma-workspace-wallpapers
  # the desktop entry's and metainfo's validators; the Debian package's
  # library dependencies (dpkg-shlibdeps)
  desktop-file-utils appstream dpkg-dev
  # photos of every kind: HEIF/HEIC/AVIF and camera raw decoders, the toolkit's
  # WebP and TIFF readers, and the tools the tests and benchmarks make and
  # compare such files with
  libheif-dev libraw-dev qt6-image-formats-plugins libheif-examples libraw-bin
  # the steps benchmark's peak memory and CPU time of each process
  time
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
