#!/usr/bin/env bash
# The main job: installs what is missing, builds, and renders the built-in test
# pattern through the mosaic into a PNG.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
mkdir -p out
./build/fxhost render mosaic --input testsrc --frames 50 --keys up@10 --output out/mosaic.png >&2
echo "wrote $(pwd)/out/mosaic.png"
