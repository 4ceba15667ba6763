#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#  1. the Linux tree and the Windows COM server (under Wine), full CTest suite;
#  2. the whole Linux tree again with the address and undefined-behaviour
#     sanitizers (build-asan/), full CTest suite (scripts/sanitize.sh);
#  3. every fuzz target for FUZZ_SECONDS (default 30) on top of its corpus,
#     which step 1 already replayed (fuzz/run.sh, build-fuzz/).
# Every step runs even when an earlier one failed; the status is non-zero
# when any of them failed.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build gui windows fuzz || exit 1
failed=()

step() {
  local name=$1
  shift
  local start=$SECONDS
  if ! "$@"; then failed+=("$name"); fi
  echo "== $name: $((SECONDS - start)) s"
}

tests() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release &&
    cmake --build build &&
    ctest --test-dir build --output-on-failure -j2
}

step "tests" tests
step "sanitizer build and tests" scripts/sanitize.sh build-asan
step "fuzzing" fuzz/run.sh "${FUZZ_SECONDS:-30}"

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all passed"
