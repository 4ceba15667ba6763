#!/usr/bin/env bash
# Builds and runs the crypto benchmark on a 256 MiB file, with md5sum over the
# same file in the same run as the peer.
# Usage: bench/crypto/run.sh [DIR]   (DIR holds the temporary file; default /tmp)
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target crypto_bench

dir=$(mktemp -d "${1:-/tmp}/ferrolok-bench-XXXXXX")
trap 'rm -rf "$dir"' EXIT
file="$dir/data.bin"
head -c $((256 * 1024 * 1024)) /dev/urandom >"$file"

echo "== ferrolok"
build/bench/crypto/crypto_bench "$file" 100000

echo "== md5sum (peer, same file, best of 3)"
size=$(stat -c %s "$file")
best=""
for _ in 1 2 3; do
  start=$(date +%s.%N)
  sum=$(md5sum "$file" | cut -d' ' -f1)
  end=$(date +%s.%N)
  best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; print (b == "" || t < b) ? t : b }')
done
awk -v t="$best" -v n="$size" 'BEGIN { printf "%-32s %8.3f s  %8.1f MB/s\n", "MD5 (md5sum)", t, n / t / 1e6 }'
echo "  digest $sum"
