#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#  1. the Linux tree and the Windows COM server (under Wine), full CTest suite;
#  2. the whole Linux tree again with the address and undefined-behaviour
#     sanitizers (build-asan/), full CTest suite (scripts/sanitize.sh);
#  3. every fuzz target for FUZZ_SECONDS (default 30) on top of its corpus,
#     which step 1 already replayed (fuzz/run.sh, build-fuzz/).
# Any failure ends the run with a non-zero status.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build gui windows fuzz
start=$SECONDS
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
ctest --test-dir build --output-on-failure -j2
echo "== tests: $((SECONDS - start)) s"

start=$SECONDS
scripts/sanitize.sh build-asan
echo "== sanitizer build and tests: $((SECONDS - start)) s"

start=$SECONDS
fuzz/run.sh "${FUZZ_SECONDS:-30}"
echo "== fuzzing: $((SECONDS - start)) s"
