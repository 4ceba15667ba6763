#!/usr/bin/env bash
# The historical trend on generated data histories: 8 channels of one signal
# shape (bench/trend/signal_shapes.h: walk, sine, noisy, onoff, random01,
# sawtooth), rows one second apart, 0.5 % of the cells NaN. For each shape
# and size:
#  - trend_bench: load, the build of the 8 channels (wall and CPU time, bar
#    moves, plot memory per point after the build, live and at the peak),
#    replots on a 1600x900 plot after slider moves (full range and zoomed to
#    a tenth), a wheel step and a pan while zoomed, Save To Jpeg, and a
#    build cancelled at its first event pump;
#  - `tarvex plot` of the 8 channels from the CSV file to a 1600x900 PNG,
#    and in the same run the peers on the same file and picture size with
#    2-px lines: gnuplot (pngcairo; it reads the file once per channel) and
#    matplotlib (pandas.read_csv + Agg). Gaps are the word NaN, which all
#    three leave out of the line.
# Times are wall clock; "cpu" is user + system time, which a machine busy
# with other work inflates less.
# Usage: bench/trend/run.sh [ROWS...]   (default 1000000 5000000)
#   SHAPES="walk onoff"  the shapes to run (default all six)
#   PEER_MAX_ROWS=N      run the peers only up to N rows (default 1000000;
#                        gnuplot takes minutes beyond that)
#   PICTURE_DIR=DIR      keep the three pictures of each run there
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps.sh bench
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target trend_bench tarvex >/dev/null

sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000000 5000000)
read -r -a shapes <<<"${SHAPES:-walk sine noisy onoff random01 sawtooth}"
peer_max=${PEER_MAX_ROWS:-1000000}
dir=$(mktemp -d "${TMPDIR:-/tmp}/tarvex-trend-bench-XXXXXX")
trap 'rm -rf "$dir"' EXIT
export QT_QPA_PLATFORM=offscreen
# The generated dates are m/d/yyyy, as a US controller writes them; the
# viewer reads dates in the user's locale, so ours run as a US user's would
# (Qt takes the locale from the environment, installed or not).
us=(env LC_ALL=en_US.UTF-8)

cat >"$dir/peer.py" <<'PY'
import sys
import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt
import pandas as pd
df = pd.read_csv(sys.argv[1])
x = pd.to_datetime(df.iloc[:, 0] + " " + df.iloc[:, 1], format="%m/%d/%Y %H:%M:%S")
fig, ax = plt.subplots(figsize=(16, 9), dpi=100)
for c in df.columns[2:]:
    ax.plot(x, df[c], linewidth=2, label=c)
ax.legend(loc="upper right")  # "best" would search the data for room: minutes
fig.savefig(sys.argv[2])
PY

# Runs a command under /usr/bin/time; prints "wall_s cpu_s peak_rss_mb".
measure() {
  /usr/bin/time -f "%e %U %S %M" -o "$dir/time.txt" "$@" >/dev/null 2>"$dir/err.txt" || {
    echo "failed: $*" >&2
    cat "$dir/err.txt" >&2
    return 1
  }
  awk '{ printf "%.2f %.2f %.0f\n", $1, $2 + $3, $4 / 1024 }' "$dir/time.txt"
}

for shape in "${shapes[@]}"; do
  for rows in "${sizes[@]}"; do
    file="$dir/history-$shape-$rows.csv"
    build/bench/trend/trend_bench generate "$file" "$rows" "$shape"
    echo "=== $shape: $rows rows x 8 channels ($(($(stat -c %s "$file") / 1000000)) MB CSV)"
    "${us[@]}" build/bench/trend/trend_bench run "$file" cancel 2>/dev/null

    cols=2,3,4,5,6,7,8,9
    best=""
    for _ in 1 2 3; do
      r=$(measure "${us[@]}" build/viewer/cli/tarvex plot "$file" --columns $cols \
        -o "$dir/tarvex.png" --size 1600x900)
      if [ -z "$best" ] || awk -v a="${r%% *}" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then
        best=$r
      fi
    done
    read -r tw tc tm <<<"$best"
    printf "%-28s %8s s wall %8s s cpu %6s MB peak\n" "tarvex plot -> PNG" "$tw" "$tc" "$tm"
    if [ "$rows" -le "$peer_max" ]; then
      read -r gw gc gm < <(measure gnuplot -e "set datafile separator ','; \
        set terminal pngcairo size 1600,900; set output '$dir/gnuplot.png'; set xdata time; \
        set key autotitle columnhead; plot for [i=3:10] '$file' \
          using (timecolumn(1,'%m/%d/%Y')+timecolumn(2,'%H:%M:%S')):i with lines lw 2")
      read -r mw mc mm < <(measure /usr/bin/python3 "$dir/peer.py" "$file" "$dir/matplotlib.png")
      printf "%-28s %8s s wall %8s s cpu %6s MB peak\n" "gnuplot (peer)" "$gw" "$gc" "$gm"
      printf "%-28s %8s s wall %8s s cpu %6s MB peak\n" "matplotlib (peer)" "$mw" "$mc" "$mm"
      awk -v t="$tw" -v g="$gw" -v m="$mw" -v tc="$tc" -v gc="$gc" -v mc="$mc" 'BEGIN {
        printf "tarvex plot speed-up: %.1fx gnuplot (cpu %.1fx), %.1fx matplotlib (cpu %.1fx)\n",
               g / t, gc / tc, m / t, mc / tc }'
    fi
    if [ -n "${PICTURE_DIR:-}" ]; then
      mkdir -p "$PICTURE_DIR"
      for p in tarvex gnuplot matplotlib; do
        [ -f "$dir/$p.png" ] && cp "$dir/$p.png" "$PICTURE_DIR/$shape-$rows-$p.png"
      done
    fi
    rm -f "$file" "$dir"/*.png
  done
done
