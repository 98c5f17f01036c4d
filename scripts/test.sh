#!/usr/bin/env bash
# The test command: installs what is missing, builds, runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"
