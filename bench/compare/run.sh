#!/usr/bin/env bash
# The comparison with a reference batch on generated data histories of 8
# channels (noisy drifting temperatures, a pressure with jumps, an on/off
# valve, a random 0/1 alarm, a sawtooth level, a noisy flow, a set point;
# 0.5 % empty cells), rows one second apart. The reference is another batch
# (other noise and drift) recorded 40 days earlier, with a ".sig" that
# confirms it. For each size:
#  - `tarvex compare` of the 8 channels (both files loaded, aligned at start,
#    with a band), best of 3, beside the pandas peer on the same files in the
#    same run (read_csv twice, the times parsed, numpy.interp, the same
#    statistics);
#  - compare_bench: the full-range replot of the trend (after a slider move,
#    as in bench/trend), adding the reference
#    to the built trend (read, signature checked, laid over, drawn), the
#    full-range replot with both, and with the differences shown.
# Times are wall clock; "cpu" is user + system time, which a machine busy
# with other work inflates less.
# Usage: bench/compare/run.sh [ROWS...]   (default 100000 1000000)
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps.sh bench
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target compare_bench tarvex >/dev/null

sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100000 1000000)
dir=$(mktemp -d "${TMPDIR:-/tmp}/tarvex-compare-bench-XXXXXX")
trap 'rm -rf "$dir"' EXIT
export QT_QPA_PLATFORM=offscreen
# The generated dates are m/d/yyyy, as a US controller writes them; ours run
# as a US user's would (Qt takes the locale from the environment).
us=(env LC_ALL=en_US.UTF-8)

cat >"$dir/peer.py" <<'PY'
import sys
import numpy as np
import pandas as pd
cur = pd.read_csv(sys.argv[1])
ref = pd.read_csv(sys.argv[2])
def times(df):
    t = pd.to_datetime(df.iloc[:, 0] + " " + df.iloc[:, 1], format="%m/%d/%Y %H:%M:%S")
    return t.values.astype("datetime64[ms]").astype(np.int64)
ct, rt = times(cur), times(ref)
ro = np.argsort(rt, kind="stable")
rt = rt[ro]
shift = ct.min() - rt[0]
band = float(sys.argv[3])
for c in cur.columns[2:]:
    cv = cur[c].to_numpy(dtype=float)
    rv = ref[c].to_numpy(dtype=float)[ro]
    d = cv - np.interp(ct - shift, rt, rv, left=np.nan, right=np.nan)
    ok = ~np.isnan(d)
    dd = d[ok]
    a = np.abs(dd)
    i = int(np.argmax(a))
    print(c, ok.sum(), "%.6f" % a[i], ct[ok][i], "%.6f" % dd.mean(),
          "%.6f" % np.sqrt((dd * dd).mean()), "%.6f" % ((a > band).mean() * 100), sep="\t")
PY

# Runs a command under /usr/bin/time; prints "wall_s cpu_s peak_rss_mb".
measure() {
  /usr/bin/time -f "%e %U %S %M" -o "$dir/time.txt" "$@" >"$dir/out.txt" 2>"$dir/err.txt" || {
    echo "failed: $*" >&2
    cat "$dir/err.txt" >&2
    return 1
  }
  awk '{ printf "%.2f %.2f %.0f\n", $1, $2 + $3, $4 / 1024 }' "$dir/time.txt"
}

echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for rows in "${sizes[@]}"; do
  cur="$dir/current-$rows.csv"
  ref="$dir/reference-$rows.csv"
  build/bench/compare/compare_bench generate "$cur" "$rows" 2007 40
  build/bench/compare/compare_bench generate "$ref" "$rows" 1999 0 sign
  echo "=== $rows rows x 8 channels, twice ($(($(stat -c %s "$cur") / 1000000)) MB CSV each)"

  best=""
  for _ in 1 2 3; do
    r=$(measure "${us[@]}" build/viewer/cli/tarvex compare "$cur" "$ref" --columns 2,3,4,5,6,7,8,9 \
      --band 0.5)
    if [ -z "$best" ] || awk -v a="${r%% *}" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then
      best=$r
    fi
  done
  read -r tw tc tm <<<"$best"
  printf "%-28s %8s s wall %8s s cpu %6s MB peak\n" "tarvex compare" "$tw" "$tc" "$tm"
  read -r pw pc pm < <(measure /usr/bin/python3 "$dir/peer.py" "$cur" "$ref" 0.5)
  printf "%-28s %8s s wall %8s s cpu %6s MB peak\n" "pandas + numpy.interp (peer)" "$pw" "$pc" "$pm"
  awk -v t="$tw" -v p="$pw" -v tc="$tc" -v pc="$pc" 'BEGIN {
    printf "tarvex compare speed-up: %.1fx pandas (cpu %.1fx)\n", p / t, pc / tc }'

  "${us[@]}" build/bench/compare/compare_bench run "$cur" "$ref" 2>/dev/null
done
