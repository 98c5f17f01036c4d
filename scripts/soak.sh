#!/usr/bin/env bash
# The full soak: 100,000 create/release cycles of each pixel plug-in and 10,000 of each
# GL plug-in, a million frames through mosaic and feedback, and every plug-in driven
# from two threads. Extra arguments override the counts (see tests/soak/soak.cpp).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
export LP_NUM_THREADS=${LP_NUM_THREADS:-0}
./build/soak "$@"
