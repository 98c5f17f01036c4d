#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and fxhost need (Debian 12, as
# root). Packages already present are not fetched again.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev
  libegl-dev libgl-dev libglu1-mesa-dev libegl-mesa0 libgl1-mesa-dri
  libopengl-dev
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libsdl2-dev xvfb
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi
