#!/usr/bin/env bash
# Prints a generated data history to PDF as the data printout does: the whole
# printout of ROWS rows (default 100,000), then the first 2,000 pages and the
# last page of a 1,000,000-row file, with the time a page takes and the peak
# memory beside the loaded table's, and the longest time between two redraws
# of the progress window (200 ms at most).
# Usage: bench/viewer/print_run.sh [ROWS] [DIR]   (DIR default /tmp)
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target logtable_bench print_bench

rows=${1:-100000}
dir=$(mktemp -d "${2:-/tmp}/tarvex-print-bench-XXXXXX")
trap 'rm -rf "$dir"' EXIT
build/bench/viewer/logtable_bench generate "$dir/small.csv" "$rows"
build/bench/viewer/logtable_bench generate "$dir/large.csv" 1000000

echo "== whole printout, $rows rows"
build/bench/viewer/print_bench "$dir/small.csv" "$dir/small.pdf"
echo "PDF $(($(stat -c %s "$dir/small.pdf") / 1000000)) MB"
echo "== 1,000,000 rows, pages 1 to 2000"
build/bench/viewer/print_bench "$dir/large.csv" "$dir/large.pdf" 1 2000
echo "== 1,000,000 rows, the last page"
build/bench/viewer/print_bench "$dir/large.csv" "$dir/last.pdf" 0 0
