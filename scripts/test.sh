#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#  1. the Linux tree and the Windows COM server (under Wine), full CTest suite;
#  2. the whole Linux tree again with the address and undefined-behaviour
#     sanitizers (build-asan/), full CTest suite (scripts/sanitize.sh);
#  3. every fuzz target for FUZZ_SECONDS (default 30) on top of its corpus,
#     which step 1 already replayed (fuzz/run.sh, build-fuzz/).
# Every step runs even when an earlier one failed; the status is non-zero
# when any of them failed. The last line names the tests CTest reported
# skipped and why (the 32-bit Windows proofs when wine32:i386 cannot be
# installed, as scripts/deps.sh goes on without it, or cannot run here).
set -uo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
scripts/deps.sh build gui windows fuzz || exit 1
echo "== dependencies: $((SECONDS - start)) s"
failed=()
ctest_logs=()

step() {
  local name=$1
  shift
  local start=$SECONDS
  if ! "$@"; then failed+=("$name"); fi
  echo "== $name: $((SECONDS - start)) s"
}

tests() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release &&
    cmake --build build || return 1
  ctest_logs+=(build/ctest-output.log)
  ctest --test-dir build --output-on-failure -j2 2>&1 | tee build/ctest-output.log
  return "${PIPESTATUS[0]}"
}

# "skipped: NAME, NAME (REASON)" from CTest's closing list of tests that did
# not run and the reasons the skipped tests printed ("SKIPPED: REASON").
report_skipped() {
  local log names="" reasons=""
  for log in "${ctest_logs[@]}"; do
    [ -f "$log" ] || continue
    names+=$(sed -n 's/^[[:space:]]*[0-9]\+ - \(.*\) (Skipped)$/\1/p' "$log")$'\n'
    reasons+=$(sed -n 's/^SKIPPED: //p' "$(dirname "$log")/Testing/Temporary/LastTest.log" 2>/dev/null)$'\n'
  done
  names=$(grep . <<<"$names" | paste -sd, - | sed 's/,/, /g')
  reasons=$(grep . <<<"$reasons" | sort -u | paste -sd';' - | sed 's/;/; /g')
  [ -n "$names" ] && echo "skipped: $names (${reasons:-no reason printed})"
}

step "tests" tests
step "sanitizer build and tests" scripts/sanitize.sh build-asan
step "fuzzing" fuzz/run.sh "${FUZZ_SECONDS:-30}"

status=0
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  status=1
else
  echo "all passed"
fi
report_skipped
exit $status
