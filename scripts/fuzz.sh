#!/usr/bin/env bash
# Builds the lifecycle fuzzer with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs it from the committed seed corpus
# for SECONDS (default 600). New inputs go to build-fuzz/corpus, crashes to
# build-fuzz/crashes.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN=${1:-600}
bash scripts/deps.sh
CC=clang-14 CXX=clang++-14 BUILD_DIR=build-fuzz BUILD_TARGET=lifecycle_fuzzer \
  bash scripts/build.sh -DLW_FUZZ=ON -DLW_SANITIZE=ON
mkdir -p build-fuzz/corpus build-fuzz/crashes
# intercept_tls_get_addr=0: the runtime's __tls_get_addr hook guesses the bounds of a
# dynamic TLS block from a glibc header whenever the block lies 16 bytes past a page
# boundary; when Mesa's small TLS block is malloc'd there, the guess is garbage and the
# leak check at exit faults. Those blocks stay reachable through the thread's DTV, which
# is scanned anyway.
export ASAN_OPTIONS=detect_leaks=1:detect_odr_violation=0:intercept_tls_get_addr=0
export LSAN_OPTIONS=suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
./build-fuzz/lifecycle_fuzzer build-fuzz/corpus tests/fuzz/corpus \
  -max_total_time="$SECONDS_TO_RUN" -max_len=512 -timeout=120 -rss_limit_mb=4096 \
  -artifact_prefix=build-fuzz/crashes/ -print_final_stats=1
