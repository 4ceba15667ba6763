#!/usr/bin/env bash
# The data grid as the reviewer works it on a generated 1,000,000-row x
# 12-column data history (the file of bench/review: noisy, jumping,
# sawtooth, on/off and word channels, empty cells), beside Qt's
# QSortFilterProxyModel on the same table in the same run: the window set
# and changed, three search keys, a jump to a row, a screenful scrolled,
# each until the grid has painted, and the memory the filter takes.
# Targets: no search key holds the UI thread over 50 ms; a window change
# painted within 100 ms; a jump or a scroll within 50 ms.
# Usage: bench/review_grid/run.sh [ROWS] [DIR]   (default 1000000 rows, DIR /tmp)
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps.sh build gui
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target review_bench review_grid_bench

rows=${1:-1000000}
dir=$(mktemp -d "${2:-/tmp}/tarvex-review-grid-XXXXXX")
trap 'rm -rf "$dir"' EXIT
file="$dir/history.csv"
build/bench/review/review_bench generate "$file" "$rows"
QT_QPA_PLATFORM=offscreen build/bench/review_grid/review_grid_bench "$file"
