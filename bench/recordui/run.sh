#!/usr/bin/env bash
# The review record in the viewer on a realistic batch (default 1,000,000
# rows, about 63 MB, with all its companions) and a 10,000-entry record,
# measured beside the same batch without a record in one run:
#  - opening the batch in the history window until the Review pane and the
#    trend markers show, and until the record's verification is back;
#  - a full-range replot of the trend with 9,998 markers and without.
# Targets: the open <= 0.5 s over the batch without a record; the replot
# with markers <= 75 ms.
# Usage: bench/recordui/run.sh [ROWS] [DIR]   (default 1000000 rows, DIR /tmp)
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps.sh bench
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target recordui_bench tarvex

rows=${1:-1000000}
dir=$(mktemp -d "${2:-/tmp}/tarvex-recordui-XXXXXX")
trap 'rm -rf "$dir"' EXIT
build/viewer/cli/tarvex sample "$dir/batch" --rows "$rows" >/dev/null
data="$dir/batch/Reactor2_History.csv"
printf 'batch: %d rows, data file %.1f MB\n' "$rows" "$(stat -c %s "$data" | awk '{ print $1 / 1e6 }')"
build/bench/recordui/recordui_bench "$dir" "$data" "$dir/batch/Reactor2_Audit.aud" \
  "$dir/batch/Reactor2_Alarms.csv"
