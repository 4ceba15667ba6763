#!/usr/bin/env bash
# Builds and runs the crypto benchmark on a 256 MiB file, with md5sum over the
# same file in the same run as the peer; then the ferrolok tool's encrypt
# --file and decrypt --file against openssl enc -rc2-40-cbc on the same file
# (wall time and peak memory of each process, best of 3).
# Usage: bench/crypto/run.sh [DIR]   (DIR holds the temporary file; default /tmp)
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target crypto_bench ferrolok_cli

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

# The tool and openssl as processes: wall time and peak resident memory.
echo "== ferrolok encrypt/decrypt --file and openssl enc -rc2-40-cbc (peer), same file, best of 3"
ferrolok=build/cryptolib/cli/ferrolok
key=$(printf plumb | md5sum | cut -c1-10)  # the 40-bit key of the base provider
openssl_rc2=(openssl enc -rc2-40-cbc -K "$key" -iv 0000000000000000
  -provider legacy -provider default)
# best LABEL OUT CMD...: runs CMD three times, keeps the shortest time and
# the largest peak memory.
best() {
  local label=$1 out=$2 t=1e30 m=0 line
  shift 2
  for _ in 1 2 3; do
    line=$({ /usr/bin/time -f '%e %M' "$@" >"$out"; } 2>&1 | tail -n 1)
    t=$(awk -v a="$t" -v b="${line% *}" 'BEGIN { print (b < a ? b : a) }')
    m=$(awk -v a="$m" -v b="${line#* }" 'BEGIN { print (b > a ? b : a) }')
  done
  awk -v l="$label" -v t="$t" -v m="$m" -v n="$size" 'BEGIN {
    printf "%-30s wall %7.2f s %8.1f MB/s   peak %7.1f MiB = %.3f x the file\n", l, t, n / t / 1e6,
      m / 1024, m * 1024 / n }'
  echo "$t" >"$dir/time-$label"
}
best ferrolok-encrypt "$dir/f.enc" "$ferrolok" encrypt --file "$file" --password plumb --format raw
best openssl-encrypt "$dir/o.enc" "${openssl_rc2[@]}" -e -in "$file"
best ferrolok-decrypt "$dir/f.dec" "$ferrolok" decrypt --file "$dir/f.enc" --password plumb --format raw
best openssl-decrypt "$dir/o.dec" "${openssl_rc2[@]}" -d -in "$dir/o.enc"
for op in encrypt decrypt; do
  awk -v a="$(cat "$dir/time-ferrolok-$op")" -v b="$(cat "$dir/time-openssl-$op")" -v op="$op" \
    'BEGIN { printf "%s: ferrolok / openssl = %.2f\n", op, a / b }'
done
# The results: the round trip gives the file back byte for byte, and the
# ciphertext on stdout is the one written through --out (DestinationFile).
cmp -s "$dir/f.dec" "$file" && echo "round trip: identical" || { echo "round trip: DIFFERS"; exit 1; }
"$ferrolok" encrypt --file "$file" --password plumb --out "$dir/f2.enc" --format raw >/dev/null
cmp -s "$dir/f.enc" "$dir/f2.enc" && echo "stdout and --out: identical" || { echo "--out DIFFERS"; exit 1; }
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
