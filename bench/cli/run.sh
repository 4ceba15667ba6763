#!/usr/bin/env bash
# tarvex show against its peer tarvex export in the same run:
#  - a data history of ROWS rows (default 200,000; target: show within 1.5x
#    the time of export);
#  - one line of 10,000 and of 40,000 fields (target: the longer line shown
#    in at most 4.5x the time of the shorter), and 100,000 for reference.
# Best of 3 wall times; output to /dev/null.
# Usage: bench/cli/run.sh [BUILD_DIR] [ROWS]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
rows=${2:-200000}
cmake --build "$build" --target tarvex >/dev/null
tarvex=$build/viewer/cli/tarvex
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

best() {
  local best=""
  for _ in 1 2 3; do
    local s e
    s=$(date +%s.%N)
    "$@" >/dev/null
    e=$(date +%s.%N)
    best=$(awk -v b="$best" -v t="$(awk -v s="$s" -v e="$e" 'BEGIN { print e - s }')" \
      'BEGIN { print (b == "" || t < b) ? t : b }')
  done
  echo "$best"
}

"$tarvex" sample "$dir" --rows "$rows" >/dev/null
data=$(ls "$dir"/*History.csv)
show=$(best "$tarvex" show "$data")
export=$(best "$tarvex" export "$data" -o "$dir/out.csv")
awk -v r="$rows" -v s="$show" -v x="$export" -v b="$(stat -c %s "$data")" 'BEGIN {
  printf "show %d rows (%.1f MB): %.3f s; peer export: %.3f s; ratio %.2f (target <= 1.5)\n",
    r, b / 1e6, s, x, s / x }'

for n in 10000 40000 100000; do
  awk -v n="$n" 'BEGIN { printf "Date,Time"; for (i = 1; i <= n; i++) printf ",TC%d", i; printf "\r\n" }' \
    >"$dir/wide$n.csv"
done
w10=$(best "$tarvex" show "$dir/wide10000.csv")
w40=$(best "$tarvex" show "$dir/wide40000.csv")
w100=$(best "$tarvex" show "$dir/wide100000.csv")
x40=$(best "$tarvex" export "$dir/wide40000.csv" -o "$dir/wide.out")
awk -v a="$w10" -v b="$w40" -v c="$w100" -v x="$x40" 'BEGIN {
  printf "show one line of 10,000 fields: %.3f s; 40,000: %.3f s (ratio %.2f, target <= 4.5); 100,000: %.3f s; peer export of 40,000: %.3f s\n",
    a, b, b / a, c, x }'
