#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer in a build folder of their own, then fuzzes each
# target in turn for SECONDS seconds (one at a time).
# Usage: fuzz/run.sh [SECONDS] [TARGET...]
#   SECONDS  time per target (default 60)
#   TARGET   logtable timeconv ferrolok vxlog companions record (default all)
# Environment: FUZZ_BUILD (build folder, default build-fuzz), FUZZ_JOBS
# (build jobs, default 2), FUZZ_ARGS (more libFuzzer options).
# Each target starts from its seeds in fuzz/corpus/<target>/ and grows a
# working corpus in $FUZZ_BUILD/corpus/<target>/; inputs that crash are left
# in $FUZZ_BUILD/artifacts/<target>/. Copy a reproducer into
# fuzz/corpus/<target>/ to keep it as a regression test of the normal build.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(logtable timeconv ferrolok vxlog companions record)
build=${FUZZ_BUILD:-$root/build-fuzz}

"$root/scripts/deps.sh" build fuzz

sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_CXX_FLAGS="$sanitize -fsanitize=fuzzer-no-link" \
  -DCMAKE_EXE_LINKER_FLAGS="$sanitize" -DCMAKE_SHARED_LINKER_FLAGS="$sanitize" \
  -DTARVEX_LIBFUZZER=ON >/dev/null
cmake --build "$build" -j"${FUZZ_JOBS:-2}" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/artifacts/$t"
  echo "== fuzz_$t for ${seconds}s"
  # shellcheck disable=SC2086
  if ! "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$build/artifacts/$t/" ${FUZZ_ARGS:-} \
      "$build/corpus/$t" "$here/corpus/$t" 2>"$build/fuzz_$t.log"; then
    echo "fuzz_$t found a failure: see $build/fuzz_$t.log and $build/artifacts/$t/"
    status=1
  fi
  grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::average_exec_per_sec|stat::new_units_added|stat::peak_rss_mb)' \
    "$build/fuzz_$t.log" || true
done
exit $status
