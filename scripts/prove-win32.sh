#!/usr/bin/env bash
# Proves the 32-bit Ferrolok COM server under Wine on an x86-64 machine whose
# kernel starts no i386 program ("Exec format error", as on many virtual
# machines), where CTest reports the 32-bit proofs skipped. Opt-in: neither
# CI nor scripts/test.sh runs it.
#
#   scripts/prove-win32.sh [BUILD_DIR]      default: build
#
# It runs the 32-bit proofs CTest runs, each with the command, environment and
# folder CTest gives it (read from `ctest --show-only`): the 32-bit prefix,
# register, client, threads, crosscheck, VBScript and unregister steps, and
# the wow32 steps in the 64-bit prefix (register, views, VBScript,
# unregister), after their set-up (both DLLs built, the 64-bit prefix made
# and the 64-bit DLL registered) and before their clean-up. The two prefixes
# go side by side, each with one wineserver kept alive across its steps
# (FERROLOK_WINE_PERSIST=1 of the steps' script). It
# prints each proof's result and time and ends with `N passed, N failed`;
# exit status 0 when none failed.
#
# Where the kernel runs i386 programs itself, they run natively. Otherwise
# Debian's qemu-user-static runs them (installed when missing) through a
# binfmt_misc entry for i386 programs that this script registers for its own
# run only: while it is registered, EVERY i386 program on the machine runs
# through the emulator. The entry is removed on every exit (failure and
# Ctrl+C included), and a watchdog removes it should the script be killed
# outright. Under the emulator a Wine process takes from seconds to minutes
# to start; the whole run takes about 35 minutes on two cores.
#
# Under the emulator the threads proof runs only when a plain program with
# two threads side by side and nothing else (ferrolok_thread_probe, no COM)
# runs there. Debian's qemu 7.2 ends such a 32-bit Wine program with a
# segmentation fault, while its 64-bit build runs under 64-bit Wine; the
# proof is then reported NOT RUN with both results, and counted neither
# passed nor failed.
# Needs root (or sudo) for the binfmt_misc entry and apt.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath -m "${1:-build}")
tests=$build/cryptolib/com/tests
wine32=/usr/lib/wine/wine
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
start=$EPOCHREALTIME
elapsed() { awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.0f", b - a }'; }
say() { echo "prove-win32: $*"; }

# The proofs, in the order of each prefix's fixtures; the set-up and
# clean-up steps around them are not counted.
chain32=(ferrolok_com_wine_prefix_32 ferrolok_com_register_32 ferrolok_com_client_32
  ferrolok_com_threads_32 ferrolok_com_crosscheck_32 ferrolok_com_vbscript_32
  ferrolok_com_unregister_32)
chainwow=(ferrolok_com_register_wow32 ferrolok_com_views ferrolok_com_vbscript_wow32
  ferrolok_com_unregister_wow32)
setup=(ferrolok_com_build_32 ferrolok_com_build_64)
setup64=(ferrolok_com_wine_prefix_64 ferrolok_com_register_64)
cleanup64=(ferrolok_com_unregister_64 ferrolok_com_wine_end_64)
cleanup32=(ferrolok_com_wine_end_32)
step_timeout=2400
emulated=0

scripts/deps.sh build windows
if [ ! -x "$wine32" ]; then
  say "the 32-bit Wine (wine32:i386) is not installed and apt could not install it now"
  exit 1
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target ferrolok_cli ferrolok_com_crosscheck_linux >/dev/null

# --- The i386 programs: natively, or through the emulator -------------------
entry_name=tarvex-prove-win32-i386
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/$entry_name
mounted=0 registered=0 watchdog=""
declare -A chain_pids=()
prefixes=("$tests/wineprefix32" "$tests/wineprefix64")

remove_entry() {
  if [ "$registered" = 1 ] && [ -e "$entry" ]; then
    echo -1 | $sudo tee "$entry" >/dev/null || true
    say "the i386 binfmt_misc entry is removed: i386 programs no longer run through the emulator"
  fi
  registered=0
  # A binfmt_misc this script mounted goes again when no entry is left.
  if [ "$mounted" = 1 ]; then
    local others=0 e
    for e in "$binfmt"/*; do
      case ${e##*/} in register | status) ;; *) others=1 ;; esac
    done
    [ "$others" = 1 ] || $sudo umount "$binfmt" || true
  fi
  mounted=0
}

# The processes below PID, children first.
descendants() {
  local child
  for child in $(ps -o pid= --ppid "$1" 2>/dev/null); do
    descendants "$child"
    echo "$child"
  done
}

# Stops what still runs (the steps of a prefix, its Wine programs and its
# server) and removes the entry.
end_run() {
  local pid p tree
  for pid in "${chain_pids[@]}"; do
    # `timeout` puts each step in a process group of its own.
    tree=$(descendants "$pid")
    # shellcheck disable=SC2086
    kill -TERM "$pid" $tree 2>/dev/null || true
  done
  chain_pids=()
  for p in "${prefixes[@]}"; do
    if [ -d "$p" ]; then WINEPREFIX=$p wineserver -k 2>/dev/null || true; fi
  done
  remove_entry
  if [ -n "$watchdog" ]; then kill "$watchdog" 2>/dev/null || true; fi
  watchdog=""
}

finish() {
  local rc=$?
  trap - EXIT INT TERM HUP
  end_run
  exit "$rc"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

[ ! -e "$entry" ] || { say "$entry is registered already (another run?)"; exit 1; }
# An i386 entry registered by someone else (binfmt-support's qemu-i386)
# makes i386 programs start, through its emulator.
i386_magic=7f454c4601010100000000000000000002000300
other=$(grep -lsx "magic $i386_magic" "$binfmt"/* | head -n 1 || true)
if "$wine32" --version >/dev/null 2>&1; then
  if [ -n "$other" ] && grep -qx enabled "$other"; then
    say "i386 programs run here through the binfmt_misc entry ${other##*/} ($(sed -n 's/^interpreter //p' "$other")), not natively"
    export QEMU_RESERVED_VA=0xffff0000
    emulated=1
  else
    say "this kernel runs i386 programs: the 32-bit Wine runs natively, no emulator"
  fi
else
  if [ ! -x /usr/bin/qemu-i386-static ]; then
    say "installing qemu-user-static"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
      qemu-user-static >/dev/null
  fi
  if [ ! -e "$binfmt/register" ]; then
    $sudo mount -t binfmt_misc binfmt_misc "$binfmt"
    mounted=1
  fi
  say "this kernel starts no i386 program: they run through qemu-i386-static"
  say "WARNING: while this script runs, EVERY i386 program on this machine runs through the"
  say "emulator (binfmt_misc entry $entry_name); the entry is removed when it ends"
  # The mask leaves out the ELF class's OS/ABI byte and the file type's low
  # bit, as Debian's own entries for other architectures do.
  printf '%s' ":$entry_name:M::"'\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:OCF' |
    $sudo tee "$binfmt/register" >/dev/null
  registered=1
  # Should this script be killed outright, the watchdog still removes the
  # entry: it outlives no run.
  # shellcheck disable=SC2016
  $sudo setsid bash -c 'trap "" INT HUP; while kill -0 "$1" 2>/dev/null; do sleep 1; done
    [ -e "$2" ] && echo -1 >"$2"' watchdog "$$" "$entry" </dev/null >/dev/null 2>&1 &
  watchdog=$!
  # Debian's qemu 7.2 gives a 32-bit program a smaller address space than a
  # 64-bit kernel does, and Wine then finds the place of its shared user
  # data taken; the full 4 GiB, as an i386 program has natively, avoids that.
  export QEMU_RESERVED_VA=0xffff0000
  emulated=1
  "$wine32" --version >/dev/null 2>&1 || { say "$wine32 does not start under the emulator"; exit 1; }
fi

# --- The steps, as CTest runs them -------------------------------------------
# For every test: its command, environment and working folder as bash arrays.
steps_file=$(mktemp)
ctest --test-dir "$tests" --show-only=json-v1 | python3 -c '
import json, re, shlex, sys
for t in json.load(sys.stdin)["tests"]:
    props = {p["name"]: p["value"] for p in t.get("properties", [])}
    name = t["name"]
    if not re.fullmatch(r"ferrolok_com_\w+", name):
        continue
    print("cmd_%s=(%s)" % (name, " ".join(shlex.quote(a) for a in t["command"])))
    print("env_%s=(%s)" % (name, " ".join(shlex.quote(e) for e in props.get("ENVIRONMENT", []))))
    print("dir_%s=%s" % (name, shlex.quote(props.get("WORKING_DIRECTORY", sys.argv[1]))))
' "$tests" >"$steps_file"
# shellcheck disable=SC1090
source "$steps_file"
rm -f "$steps_file"

results=$(mktemp -d)
logs=$build/prove-win32
rm -rf "$logs"
mkdir -p "$logs"

# run NAME KIND: one step; KIND proof is counted. Prints its line; false when
# it failed.
run() {
  local name=$1 kind=$2 t0=$EPOCHREALTIME rc=0
  local -n cmd="cmd_$name" env="env_$name" dir="dir_$name"
  [ -v "cmd_$name" ] || { echo "FAIL  $name: not among CTest's tests"; echo fail >"$results/$name"; return 1; }
  (cd "$dir" && env "${env[@]}" timeout -k 30 "$step_timeout" "${cmd[@]}") >"$logs/$name.log" 2>&1 || rc=$?
  local took
  took=$(elapsed "$t0")
  if [ "$rc" -eq 0 ]; then
    [ "$kind" = proof ] && echo pass >"$results/$name"
    printf 'PASS  %-32s %5s s\n' "$name" "$took"
    return 0
  fi
  [ "$kind" = proof ] && echo fail >"$results/$name"
  printf 'FAIL  %-32s %5s s  (exit %s; %s)\n' "$name" "$took" "$rc" "$logs/$name.log"
  tail -n 5 "$logs/$name.log" | sed 's/^/      /'
  return 1
}

# probe BITS PREFIX: the thread probe of that bitness in the prefix; its
# exit status and the last line it printed go to $results/probeBITS (what
# the shell says of a crash goes to the log). False when it failed.
probe() {
  local bits=$1 out rc=0
  out=$(FERROLOK_BITS=$bits timeout -k 30 900 cryptolib/com/tests/wine.sh run "$2" \
    "$tests/windows$bits/cryptolib/com/tests/ferrolok_thread_probe.exe" \
    2>>"$logs/ferrolok_thread_probe_$bits.log") || rc=$?
  out="exit $rc$([ "$rc" -le 128 ] || echo " (SIG$(kill -l $((rc - 128))))")${out:+: ${out##*$'\n'}}"
  echo "$out" >"$results/probe$bits"
  printf 'probe %-32s %s\n' "ferrolok_thread_probe ($bits-bit)" "$out"
  [ "$rc" -eq 0 ]
}

# Each prefix's wineserver, and with it Wine's own services, lives from the
# prefix step to the end step: a step does not start them again (minutes
# under the emulator).
export FERROLOK_WINE_PERSIST=1

run_chain32() {
  local s
  if run "${chain32[0]}" proof; then
    for s in "${chain32[@]:1}"; do
      # Under the emulator, threads only where two plain threads can run.
      if [ "$s" = ferrolok_com_threads_32 ] && [ "$emulated" = 1 ] &&
        ! probe 32 "${prefixes[0]}"; then
        echo "not run" >"$results/$s"
        printf 'NOT RUN %-30s the 32-bit thread probe fails under the emulator\n' "$s"
        continue
      fi
      run "$s" proof || true
    done
  fi
  for s in "${cleanup32[@]}"; do run "$s" setup >/dev/null || true; done
}

run_chainwow() {
  local ok=1 s
  for s in "${setup64[@]}"; do run "$s" setup || { ok=0; break; }; done
  if [ "$ok" = 1 ]; then
    # The 64-bit build of the thread probe, for comparison (no emulator).
    if [ "$emulated" = 1 ]; then probe 64 "${prefixes[1]}" || true; fi
    for s in "${chainwow[@]}"; do run "$s" proof || true; done
  fi
  for s in "${cleanup64[@]}"; do run "$s" setup >/dev/null || true; done
}

say "logs in $logs"
for s in "${setup[@]}"; do run "$s" setup || exit 1; done
# The two prefixes' steps side by side.
run_chain32 &
chain_pids[32]=$!
run_chainwow &
chain_pids[wow]=$!
for pid in "${chain_pids[@]}"; do wait "$pid" || true; done
chain_pids=()
end_run

passed=0 failed=0 skipped=()
for s in "${chain32[@]}" "${chainwow[@]}"; do
  case $(cat "$results/$s" 2>/dev/null) in
    pass) passed=$((passed + 1)) ;;
    "not run") skipped+=("$s") ;;
    *) failed=$((failed + 1)) ;;
  esac
done
if [ ${#skipped[@]} -gt 0 ]; then
  probe64=$(cat "$results/probe64" 2>/dev/null || echo "not run (the 64-bit prefix failed)")
  say "not run under the emulator: ${skipped[*]}$([[ $probe64 != "exit 0"* ]] ||
    echo ": the emulator's fault, not the server's")"
  say "  a 32-bit Wine program with two threads side by side, no COM: $(cat "$results/probe32")"
  say "  the same program built 64-bit, under 64-bit Wine: $probe64"
fi
rm -rf "$results"
say "$(elapsed "$start") s in all"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
