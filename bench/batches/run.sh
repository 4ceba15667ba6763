#!/usr/bin/env bash
# The batch register's speed:
#  - a scan of COUNT generated batches (default 2,000 of 10,000 rows x 8
#    channels at 10 s steps, each with its .sig, audit trail and alarm
#    history: about 1.5 GB) into a new SQLite register, cold (the page cache
#    dropped when this runs as root; said otherwise), target <= 60 s on 2
#    cores; then again with nothing changed, target <= 2 s;
#  - the peer in the same run, cold as well: find | xargs -P2 tarvex verify
#    over the same data files;
#  - the same cold scan into PostgreSQL (for comparison, no target);
#  - filtered lists of a register of 100,000 batches, target <= 100 ms, in
#    SQLite and in PostgreSQL: inside the program (query and JSON, median of
#    9) and `tarvex batches list` as a whole process (median of 5).
# PostgreSQL runs as a private server on a Unix socket in a temporary folder
# (as the postgres user when run as root); without its server programs those
# lines are skipped with the reason.
# Usage: bench/batches/run.sh [COUNT] [TREE]
#   TREE (default /tmp/batches-bench-tree) is kept for the next run.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target batches_bench tarvex >/dev/null
tarvex=$PWD/build/viewer/cli/tarvex
bench=$PWD/build/bench/batches/batches_bench
count=${1:-2000}
tree=${2:-/tmp/batches-bench-tree}
work=$(mktemp -d /tmp/batches-bench-XXXXXX)
pgdir=""
cleanup() {
  if [ -n "$pgdir" ]; then as_pg "$pgbin/pg_ctl" -D "$pgdir/data" -m immediate stop >/dev/null 2>&1 || true; fi
  rm -rf "$work" "$pgdir"
}
trap cleanup EXIT

if [ ! -f "$tree.done-$count" ]; then
  rm -rf "$tree" "$tree".done-*
  echo "Writing $count batches into $tree ..."
  "$bench" generate "$tree" "$count" 10000
  touch "$tree.done-$count"
fi
echo "== $count batches, $(find "$tree" -type f | wc -l) files, $(du -sh "$tree" | cut -f1)"

# Drops the page cache (root only) and says whether the next run is cold.
cold() {
  sync
  if echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; then
    echo "cold"
  else
    echo "warm: the page cache cannot be dropped without root"
  fi
}
# "WALL s wall, CPU s CPU, PEAK MB peak" of one run of the command.
timed() {
  /usr/bin/time -f "%e %U %S %M" "$@" 2>"$work/time" >/dev/null || true
  tail -1 "$work/time" | awk '{ printf "%.2f s wall, %.2f s CPU, %.0f MB peak", $1, $2 + $3, $4 / 1024 }'
}
# Median wall time in ms of 5 runs of the command.
median_ms() {
  for _ in 1 2 3 4 5; do
    s=$(date +%s%N)
    "$@" >/dev/null
    e=$(date +%s%N)
    echo $(((e - s) / 1000000))
  done | sort -n | sed -n 3p
}

c=$(cold)
echo "scan into SQLite ($c): $(timed "$tarvex" batches scan "$tree" --db "$work/register.sqlite")  (target <= 60 s)"
echo "rescan, nothing changed: $(timed "$tarvex" batches scan "$tree" --db "$work/register.sqlite")  (target <= 2 s)"
c=$(cold)
echo "peer, find | xargs -P2 tarvex verify ($c): $(timed bash -c \
  "find '$tree' -name '*_History.csv' -print0 | xargs -0 -n1 -P2 '$tarvex' verify")"
"$tarvex" batches list --db "$work/register.sqlite" --verdict confirmed | tail -n +2 | wc -l |
  awk -v n="$count" '{ print "  (" $1 " of " n " batches confirmed in the register)" }'

as_pg() { if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }
pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
pg=""
if [ -n "$pgbin" ] && [ -x "$pgbin/initdb" ]; then
  pgdir=$(mktemp -d /tmp/batches-pg-XXXXXX)
  [ "$(id -u)" -eq 0 ] && chown postgres: "$pgdir"
  as_pg "$pgbin/initdb" -D "$pgdir/data" -A trust -U postgres --no-sync -E UTF8 --locale=C >/dev/null
  as_pg "$pgbin/pg_ctl" -D "$pgdir/data" -l "$pgdir/log" -w -o "-k $pgdir -c listen_addresses=''" start >/dev/null
  for db in scan list; do as_pg "$pgbin/createdb" -h "$pgdir" -U postgres "$db"; done
  pg="postgresql://postgres@/%s?host=$pgdir"
  c=$(cold)
  # shellcheck disable=SC2059
  echo "scan into PostgreSQL ($c): $(timed "$tarvex" batches scan "$tree" --db "$(printf "$pg" scan)")"
  # shellcheck disable=SC2059
  echo "rescan, nothing changed: $(timed "$tarvex" batches scan "$tree" --db "$(printf "$pg" scan)")"
else
  echo "PostgreSQL: skipped (its server programs are not installed)"
fi

echo "== filtered lists of 100,000 batches (target <= 100 ms)"
places=("$work/list.sqlite")
# shellcheck disable=SC2059
[ -n "$pg" ] && places+=("$(printf "$pg" list)")
for place in "${places[@]}"; do
  "$bench" fill "$place" 100000 >/dev/null
  "$bench" list "$place"
  for f in "--verdict failed" "--status none --verdict failed" "--from 2008-03-01 --to 2008-03-07"; do
    # shellcheck disable=SC2086
    echo "  tarvex batches list $f --format json: $(median_ms "$tarvex" batches list --db "$place" $f --format json) ms (whole process)"
  done
done
