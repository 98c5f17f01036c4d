#!/usr/bin/env bash
# Configures and builds into BUILD_DIR (default: build); BUILD_TARGET builds one target
# (and what it needs) instead of everything. Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >&2
cmake --build "$BUILD_DIR" ${BUILD_TARGET:+--target "$BUILD_TARGET"} >&2
