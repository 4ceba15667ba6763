#!/usr/bin/env bash
# Loads a generated 1,000,000-row x 12-column data history into the log table
# (as the data reader does, time column rewritten) and, in the same run,
# pandas.read_csv on the same file. Prints wall time and peak memory of each
# (best of 3 by wall time), and the ratios to the targets. pandas is the
# Debian package python3-pandas, so the system python3 runs it.
# Usage: bench/viewer/run.sh [ROWS] [DIR]   (default 1000000 rows, DIR /tmp)
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps.sh bench
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target logtable_bench

rows=${1:-1000000}
dir=$(mktemp -d "${2:-/tmp}/tarvex-bench-XXXXXX")
trap 'rm -rf "$dir"' EXIT
file="$dir/history.csv"
build/bench/viewer/logtable_bench generate "$file" "$rows"
size=$(stat -c %s "$file")

# Runs a command 3 times under /usr/bin/time -v; prints "wall_s rss_kb" of
# the fastest run.
measure() {
  local best_t="" best_m=""
  for _ in 1 2 3; do
    /usr/bin/time -v -o "$dir/time.txt" "$@" >/dev/null
    local t m
    t=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0;
          for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$dir/time.txt")
    m=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$dir/time.txt")
    if [ -z "$best_t" ] || awk -v a="$t" -v b="$best_t" 'BEGIN { exit !(a < b) }'; then
      best_t=$t best_m=$m
    fi
  done
  echo "$best_t $best_m"
}

read -r ours_t ours_m < <(measure build/bench/viewer/logtable_bench load "$file")
read -r pandas_t pandas_m < <(measure /usr/bin/python3 -c "import sys, pandas; pandas.read_csv(sys.argv[1])" "$file")

awk -v rows="$rows" -v size="$size" -v ot="$ours_t" -v om="$ours_m" -v pt="$pandas_t" -v pm="$pandas_m" 'BEGIN {
  printf "data history: %d rows x 12 columns, %.1f MB\n", rows, size / 1e6
  printf "%-34s %8s %12s %14s\n", "", "wall s", "peak RSS MB", "RSS / file"
  printf "%-34s %8.2f %12.1f %14.2f\n", "LogTable load + time rewrite", ot, om / 1024, om * 1024 / size
  printf "%-34s %8.2f %12.1f %14.2f\n", "pandas.read_csv (peer)", pt, pm / 1024, pm * 1024 / size
  printf "speed-up over pandas: %.1fx (target >= 4x); memory: %.2fx the file (target <= 1.5x)\n",
         pt / ot, om * 1024 / size
}'
