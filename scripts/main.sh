#!/usr/bin/env bash
# The main job, the showreel: installs what is missing, builds, and renders the built-in
# test pattern through every plug-in the build made (a few seconds each, with scripted
# arrow keys and its name burned in) into one video, plus a sheet of their thumbnails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
mkdir -p showreel
./build/fxhost list >&2
./build/fxhost showreel --input testsrc --frames 100 --output showreel/showreel.mp4 >&2
./build/fxhost thumbnails --output showreel/thumbnails.png >&2
echo "showreel:   $(pwd)/showreel/showreel.mp4"
echo "thumbnails: $(pwd)/showreel/thumbnails.png"
