#!/usr/bin/env bash
# Builds and runs the signature benchmarks, with md5sum of the same 100 MB
# file as a reference point (the digest hashes twice the file's bytes).
# Usage: bench/signatures/run.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
work=${2:-$(mktemp -d)}
cmake --build "$build" --target bench_signatures >/dev/null
"$build/bench/signatures/bench_signatures" "$work"
start=$(date +%s.%N)
md5sum "$work/bench_100mb.csv" >/dev/null
end=$(date +%s.%N)
awk -v s="$start" -v e="$end" -v b="$(stat -c %s "$work/bench_100mb.csv")" \
  'BEGIN { printf "peer md5sum (plain MD5 of the file bytes): %.3f s = %.0f MB/s\n", e - s, b / 1e6 / (e - s) }'
[ -n "${2:-}" ] || rm -rf "$work"
