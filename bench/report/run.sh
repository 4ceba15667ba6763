#!/usr/bin/env bash
# The batch review report (tarvex report) on a 1,000,000-row x 8-channel data
# history with a 100,000-line .sig, and audit trail and alarm history of
# 10,000 rows, reported in full:
#  - wall time (target <= 5 s), peak resident memory (target <= 2x the input
#    files), PDF size (target <= 3,000,000 bytes);
#  - the peer total in the same run, with audit trail and alarms of 1,000
#    rows: tarvex verify + tarvex plot of the same columns + the four tarvex
#    export calls (data, operator events, audit trail, alarms); the report on
#    the same input must take <= 2x that total;
#  - the same report through Qt's QPdfWriter beside the compact writer the
#    report uses (time, peak memory, size, fonts not embedded).
# Best of 3 wall times.
# Usage: bench/report/run.sh [ROWS] [DIR]   (default 1000000 rows, DIR /tmp)
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target report_bench report_writer tarvex >/dev/null
tarvex=$PWD/build/viewer/cli/tarvex
gen=$PWD/build/bench/report/report_bench
writer=$PWD/build/bench/report/report_writer
rows=${1:-1000000}
dir=$(mktemp -d "${2:-/tmp}/tarvex-report-XXXXXX")
trap 'rm -rf "$dir"' EXIT
export QT_QPA_PLATFORM=offscreen

# Seconds of the fastest of 3 runs; a failing command ends the script
# (report exits 1 only when a signature fails, which the input never does).
best() {
  local best=""
  for _ in 1 2 3; do
    local s e
    s=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    e=$(date +%s.%N)
    best=$(awk -v b="$best" -v t="$(awk -v s="$s" -v e="$e" 'BEGIN { print e - s }')" \
      'BEGIN { print (b == "" || t < b) ? t : b }')
  done
  echo "$best"
}
# Peak resident set size in kB and CPU seconds (user + system) of one run:
# on a shared machine the CPU time varies less than the wall time.
peak() { /usr/bin/time -f "%M %U %S" "$@" 2>&1 >/dev/null | tail -1; }

for events in 10000 1000; do
  d=$dir/e$events
  "$gen" "$d" "$rows" 100000 "$events" >/dev/null
  data=$d/Reactor2_History.csv
  report=("$tarvex" report "$data" --audit "$d/Reactor2_Audit.aud" --alarms "$d/Reactor2_Alarms.csv"
          -o "$d/report.pdf" --limit 2:175:185)
  inputs=$(cat "$data" "$d"/Reactor2_History.sig "$d"/Reactor2_History.evt "$d"/Reactor2_Audit.aud \
           "$d"/Reactor2_Audit.sig "$d"/Reactor2_Alarms.csv | wc -c)
  t=$(best "${report[@]}")
  read -r m u sy < <(peak "${report[@]}")
  size=$(stat -c %s "$d/report.pdf")
  pages=$(pdfinfo "$d/report.pdf" | awk '/^Pages:/ { print $2 }')
  echo "== $rows rows, .sig 100,000 lines, audit and alarms $events rows; inputs $(awk -v b="$inputs" 'BEGIN { printf "%.1f MB", b / 1e6 }')"
  awk -v t="$t" -v c="$(awk -v u="$u" -v s="$sy" 'BEGIN { print u + s }')" -v m="$m" -v i="$inputs" -v s="$size" -v p="$pages" 'BEGIN {
    printf "report: %.2f s (target <= 5; CPU %.2f s), peak %.0f MB = %.2fx inputs (target <= 2), PDF %d bytes, %d pages (target <= 3,000,000)\n",
      t, c, m / 1024, m * 1024 / i, s, p }'
  if [ "$events" = 10000 ]; then
    for w in compact qt; do
      args=("$writer" "$w" "$data" "$d/Reactor2_Audit.aud" "$d/Reactor2_Alarms.csv" "$d/$w.pdf" 2:175:185)
      wt=$(best "${args[@]}")
      read -r wm wu ws < <(peak "${args[@]}")
      # pdffonts: name, type (may hold blanks), encoding, emb, sub, uni, object, ID.
      bare=$(pdffonts "$d/$w.pdf" | awk 'NR > 2 && $(NF - 4) != "yes"' | wc -l)
      awk -v w="$w" -v t="$wt" -v c="$(awk -v u="$wu" -v s="$ws" 'BEGIN { print u + s }')" -v wm="$wm" -v s="$(stat -c %s "$d/$w.pdf")" -v b="$bare" 'BEGIN {
        printf "writer %-7s %.2f s (CPU %.2f s), peak %.0f MB, PDF %d bytes, %d fonts not embedded\n", w, t, c, wm / 1024, s, b }'
    done
  fi
  if [ "$events" = 1000 ]; then
    v=$(best "$tarvex" verify "$data")
    pl=$(best "$tarvex" plot "$data" --columns 2,3,4,5,6,7,8,9 -o "$d/plot.pdf")
    x1=$(best "$tarvex" export "$data" -o "$d/x1.csv")
    x2=$(best "$tarvex" export "$d/Reactor2_History.evt" -o "$d/x2.csv")
    x3=$(best "$tarvex" export "$d/Reactor2_Audit.aud" -o "$d/x3.csv")
    x4=$(best "$tarvex" export "$d/Reactor2_Alarms.csv" --kind alarm -o "$d/x4.csv")
    awk -v t="$t" -v v="$v" -v pl="$pl" -v a="$x1" -v b="$x2" -v c="$x3" -v e="$x4" 'BEGIN {
      peer = v + pl + a + b + c + e
      printf "peer: verify %.2f + plot %.2f + exports %.2f %.2f %.2f %.2f = %.2f s; report / peer = %.2f (target <= 2)\n",
        v, pl, a, b, c, e, peer, t / peer }'
  fi
done
