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

echo "== ferrolok (best of 3; load average: $(cut -d" " -f1-3 /proc/loadavg))"
build/bench/crypto/crypto_bench "$file" 100000

echo "== md5sum (peer, same file, best of 3)"
size=$(stat -c %s "$file")
TIMEFORMAT='%R %U %S'
best=""
for _ in 1 2 3; do
  t=$({ time md5sum "$file" >"$dir/sum"; } 2>&1)
  best=$(awk -v t="$t" -v b="$best" 'BEGIN {
    split(t, f, " "); w = f[1]; c = f[2] + f[3]
    if (b != "") { split(b, g, " "); if (g[1] < w) w = g[1]; if (g[2] < c) c = g[2] }
    print w, c }')
done
awk -v b="$best" -v n="$size" 'BEGIN { split(b, g, " ")
  printf "%-30s wall %7.3f s %8.1f MB/s   cpu %7.3f s %8.1f MB/s\n", "MD5 (md5sum)", g[1], n / g[1] / 1e6, g[2], n / g[2] / 1e6 }'
echo "  digest $(cut -d' ' -f1 "$dir/sum")"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
