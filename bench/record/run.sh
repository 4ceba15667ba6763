#!/usr/bin/env bash
# The review record on a realistic batch: a 10,000-entry record of a
# generated data history (default 1,000,000 rows, about 63 MB, with its .sig,
# .evt, audit trail and alarm history), with peers in the same run.
#  - ours (record_bench): the key derivation, adding a note with the key
#    unlocked, and verifying the record (10,000 Ed25519 signatures, the hash
#    chain, and every batch file hashed); then `tarvex review verify` as a
#    whole job;
#  - peers: `openssl speed ed25519` (10,000 verifications at its measured
#    rate) plus `sha256sum` over the same batch files and record.
# Targets: verify <= 1 s, a note <= 50 ms, the key derivation 0.2-1 s.
# Usage: bench/record/run.sh [ROWS] [DIR]   (default 1000000 rows, DIR /tmp)
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps.sh bench
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target record_bench tarvex

rows=${1:-1000000}
dir=$(mktemp -d "${2:-/tmp}/tarvex-record-XXXXXX")
trap 'rm -rf "$dir"' EXIT
build/viewer/cli/tarvex sample "$dir/batch" --rows "$rows" >/dev/null
data="$dir/batch/Reactor2_History.csv"
printf 'batch: %d rows, data file %.1f MB\n\n' "$rows" "$(stat -c %s "$data" | awk '{ print $1 / 1e6 }')"

echo "== ours (record_bench)"
build/bench/record/record_bench "$dir" "$data" "$dir/batch/Reactor2_Audit.aud" "$dir/batch/Reactor2_Alarms.csv"
best=""
for _ in 1 2 3; do
  s=$(date +%s%N)
  build/viewer/cli/tarvex review verify "$data" --reviewers "$dir/reviewers" \
    --audit "$dir/batch/Reactor2_Audit.aud" --alarms "$dir/batch/Reactor2_Alarms.csv" >/dev/null 2>&1
  e=$(date +%s%N)
  ms=$(((e - s) / 1000000))
  best=$(echo "$ms $best" | tr ' ' '\n' | grep . | sort -n | head -1)
done
printf 'tarvex review verify (whole job, best of 3): %d ms\n' "$best"

echo
echo "== peers"
rate=$(openssl speed -seconds 2 ed25519 2>/dev/null | awk '/Ed25519/ { print $NF }')
awk -v r="$rate" 'BEGIN { printf "openssl speed ed25519: %s verifications/s, so 10,000 in %.0f ms\n", r, 1e7 / r }'
best=""
for _ in 1 2 3; do
  s=$(date +%s%N)
  sha256sum "$dir"/batch/* "$dir/batch/Reactor2_History.review" >/dev/null
  e=$(date +%s%N)
  ms=$(((e - s) / 1000000))
  best=$(echo "$ms $best" | tr ' ' '\n' | grep . | sort -n | head -1)
done
printf 'sha256sum of the batch files and the record (best of 3): %d ms\n' "$best"
