#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Skirlo
# needs. Safe to run again: packages already present are left as they are.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libsqlite3-dev libexpat1-dev libminizip-dev zlib1g-dev
  librtmidi-dev libfluidsynth-dev fluidsynth libasound2-dev
  timgm6mb-soundfont fluid-soundfont-gm
  python3 python3-fonttools python3-mido python3-numpy
  fonts-liberation fontconfig libfreetype-dev libharfbuzz-dev libfontconfig-dev
  imagemagick netpbm poppler-utils qpdf librsvg2-bin
  desktop-file-utils appstream libxml2-utils shared-mime-info libglib2.0-bin
  musescore3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
