#!/usr/bin/env bash
# Builds the whole Linux project with the address and undefined-behaviour
# sanitizers in build-asan/ and runs the full CTest suite there (the Windows
# server's Wine tests excepted: that build is Linux only).
# Usage: scripts/sanitize.sh [BUILD_DIR]   (default build-asan)
# Environment: ASAN_JOBS (build and test jobs, default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-asan}
jobs=${ASAN_JOBS:-2}

flags="-O1 -g1 -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" -j"$jobs"

# Leaks are reported but only those of the project count: the suppressions
# name the system libraries (fonts, X, OpenGL) that keep caches for the
# life of a process.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j"$jobs" -E '^ferrolok_com_'
