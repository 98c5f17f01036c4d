#!/usr/bin/env bash
# Builds in Release mode (build-bench/) and runs every benchmark. Extra arguments go to
# each benchmark binary (for instance --benchmark_filter=Feedback).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
BUILD_DIR=build-bench bash scripts/build.sh -DCMAKE_BUILD_TYPE=Release
export LP_NUM_THREADS=${LP_NUM_THREADS:-0}
for b in build-bench/bench/*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
