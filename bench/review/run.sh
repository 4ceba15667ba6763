#!/usr/bin/env bash
# The review window, the text filter and the jump to time on a generated
# 1,000,000-row x 12-column data history (noisy, jumping, sawtooth, on/off
# and word channels, empty cells), with peers on the same file in the same
# run:
#  - in-process work: review_bench (our filter) against pandas (a boolean
#    mask over to_datetime of date and time, str.contains over every column,
#    searchsorted), the file read beforehand by each and not timed;
#  - whole jobs from the shell (read, filter, write the rows): tarvex show
#    --from/--to and --grep against mlr (miller) filter.
# Targets: window <= 100 ms, text <= 300 ms, jump <= 10 ms, <= 8 bytes a row.
# Usage: bench/review/run.sh [ROWS] [DIR]   (default 1000000 rows, DIR /tmp)
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps.sh bench
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target review_bench tarvex

rows=${1:-1000000}
dir=$(mktemp -d "${2:-/tmp}/tarvex-review-XXXXXX")
trap 'rm -rf "$dir"' EXIT
file="$dir/history.csv"
back="$dir/clockback.csv"
build/bench/review/review_bench generate "$file" "$rows"
build/bench/review/review_bench generate "$back" "$rows" clockback
printf 'data history: %d rows, %.1f MB\n\n' "$rows" "$(stat -c %s "$file" | awk '{ print $1 / 1e6 }')"

echo "== ours (review_bench, one thread for the text)"
build/bench/review/review_bench run "$file" "$back"

echo
echo "== pandas $(/usr/bin/python3 -c 'import pandas; print(pandas.__version__)') (the same steps, in process)"
/usr/bin/python3 - "$file" <<'PY'
import sys, time
import pandas as pd
df = pd.read_csv(sys.argv[1], keep_default_na=False, dtype=str)
def ms(f, runs):
    best = []
    for _ in range(runs):
        t = time.perf_counter(); r = f(); best.append((time.perf_counter() - t) * 1000)
    best.sort(); return best[len(best) // 2], r
lo, hi = pd.Timestamp("2007-02-01"), pd.Timestamp("2007-02-08")
first, stamps = ms(lambda: pd.to_datetime(df["Date"] + " " + df["Time"], format="%m/%d/%Y %H:%M:%S"), 3)
change, mask = ms(lambda: (stamps >= lo) & (stamps <= hi), 21)
print(f"window: first {first:.1f} ms (to_datetime + mask), change {change:.2f} ms (mask)")
print(f"  shown {int(mask.sum())} of {len(df)} rows")
for needle in ["OVR", "on", "12:00:0", "3/14/2007", "zzz"]:
    t, m = ms(lambda: df.apply(lambda c: c.str.contains(needle, case=False, regex=False)).any(axis=1), 3)
    print(f"text \"{needle}\": {t:.0f} ms (median of 3), {int(m.sum())} rows (times as written, not as shown)")
sorted_stamps = stamps.values
t, _ = ms(lambda: sorted_stamps.searchsorted(sorted_stamps[123456], side="right") - 1, 1001)
print(f"jump to time: {t:.4f} ms in order (searchsorted)")
print(f"filter memory: {(stamps.memory_usage(index=False) + mask.memory_usage(index=False)) / len(df):.2f} bytes a row (datetime64 + bool mask)")
PY

# Wall time of the fastest of 3 runs of a command, in seconds; a command
# that fails ends the script.
wall() {
  local best=""
  for _ in 1 2 3; do
    local s e
    s=$(date +%s.%N)
    "$@" >/dev/null 2>"$dir/wall.err" || { echo "failed: $*" >&2; cat "$dir/wall.err" >&2; exit 1; }
    e=$(date +%s.%N)
    best=$(awk -v a="$s" -v b="$e" -v c="$best" 'BEGIN { d = b - a; print (c == "" || d < c) ? d : c }')
  done
  echo "$best"
}

echo
echo "== whole jobs from the shell (read, filter, write; best of 3)"
# mlr's strptime wants two-digit fields: the date and time are padded first.
mlr_time='d = splitax($Date, "/"); c = splitax($Time, ":");
  t = strptime(fmtnum(int(d[3]), "%04d") . "-" . fmtnum(int(d[1]), "%02d") . "-" .
               fmtnum(int(d[2]), "%02d") . " " . fmtnum(int(c[1]), "%02d") . ":" .
               fmtnum(int(c[2]), "%02d") . ":" . fmtnum(int(c[3]), "%02d"), "%Y-%m-%d %H:%M:%S");
  t >= strptime("2007-02-01 00:00:00", "%Y-%m-%d %H:%M:%S") && t <= strptime("2007-02-08 00:00:00", "%Y-%m-%d %H:%M:%S")'
ours_w=$(wall build/viewer/cli/tarvex show "$file" --from 2007-02-01 --to "2007-02-08 00:00:00")
mlr_w=$(wall mlr --icsv --ocsv filter "$mlr_time" "$file")
ours_t=$(wall build/viewer/cli/tarvex show "$file" --grep OVR)
# The record's cells joined: one look a row, as our first look at a line.
mlr_t=$(wall mlr --icsv --ocsv filter 'tolower(joinv($*, ",")) =~ "ovr"' "$file")
printf '%-28s %10s %10s\n' "" "tarvex s" "mlr s"
printf '%-28s %10.2f %10.2f\n' "window 2/1 to 2/8" "$ours_w" "$mlr_w"
printf '%-28s %10.2f %10.2f\n' "text OVR" "$ours_t" "$mlr_t"
