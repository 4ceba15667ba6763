#!/usr/bin/env bash
# Steps of the Windows tests of the Ferrolok COM server, run by CTest from the
# Linux build. The steps of one bitness share a throw-away Wine prefix in the
# build folder.
#
# FERROLOK_BITS=32 runs the Windows programs of a step (regsvr32, reg,
# cscript and the test programs) as 32-bit ones, in a 32-bit prefix or in the
# 32-bit side of a 64-bit one; 64 (the default) as 64-bit ones. Each has its
# own loader and its own view of the registry.
#
# FERROLOK_WINE_PERSIST=1 keeps the prefix's wineserver, and so Wine's own
# services, alive from the prefix step until the end step, instead of
# starting them again for every step (slow under an emulator).
#
#   wine.sh build SOURCE_DIR WIN_BUILD_DIR TOOLCHAIN_FILE
#   wine.sh prefix PREFIX [win32|win64]   new prefix (wineboot), default win64
#   wine.sh register PREFIX DLL           regsvr32, then the registry read back
#   wine.sh unregister PREFIX DLL         regsvr32 /u, then what must be gone
#   wine.sh run PREFIX EXE ARGS...        a Windows test program
#   wine.sh crosscheck PREFIX WIN_EXE LINUX_EXE COUNT
#   wine.sh vbscript PREFIX SCRIPT FERROLOK_CLI WORK_DIR
#   wine.sh views PREFIX DLL64 DLL32      both DLLs registered in one 64-bit
#                                         prefix, each in its own registry view
#   wine.sh end PREFIX                    stops the prefix's server, removes it
#
# A step that needs the 32-bit Wine loader (a win32 prefix, any 32-bit step,
# views) ends with exit code 77, which CTest reports as skipped, when the
# 32-bit Wine cannot run here, and only then: the loader is missing, not
# executable or cannot be started at all (wine32:i386 installed on a kernel
# without 32-bit support). FERROLOK_TEST_FORCE_NO_WINE32=1
# takes it as missing (for the test of this path). Any other exit code 77 is
# turned into a failure, so that nothing else can pass for a skip.
set -euo pipefail

skip_code=77
skipping=0
trap 'rc=$?
if [ "$rc" -eq "$skip_code" ] && [ "$skipping" -eq 0 ]; then
  echo "FAIL: the step ended with exit code $skip_code, which would read as skipped" >&2
  exit 1
fi' EXIT

step=$1
shift
if [ "$step" != build ]; then
  # No display: Wine draws into memory contexts only, the same on every machine.
  unset DISPLAY WAYLAND_DISPLAY
  # No .NET or HTML engine installer, no menu entries for the desktop.
  export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  WINEPREFIX=$(realpath -m "$1")
  shift
fi

bits=${FERROLOK_BITS:-64}
case $bits in
  64) wine=/usr/lib/wine/wine64 ;;
  32) wine=/usr/lib/wine/wine ;;
  *) echo "FERROLOK_BITS is 32 or 64, not $bits" >&2 && exit 2 ;;
esac
# Why the 32-bit Wine cannot run here; nothing (status 1) when it can.
wine32=/usr/lib/wine/wine
wine32_missing() {
  if [ "${FERROLOK_TEST_FORCE_NO_WINE32:-}" = 1 ]; then
    echo "taken as missing (FERROLOK_TEST_FORCE_NO_WINE32=1)"
  elif [ ! -e "$wine32" ]; then
    echo "$wine32 is missing"
  elif [ ! -x "$wine32" ]; then
    echo "$wine32 is not executable"
  else
    # 126 and 127 are the shell's own: the program could not be started
    # (no i386 run-time, not a program of this machine).
    local out rc=0
    out=$("$wine32" --version 2>&1) || rc=$?
    if [ "$rc" -eq 126 ] || [ "$rc" -eq 127 ]; then
      echo "$wine32 cannot be started: $(head -n 1 <<<"$out")"
    else
      return 1
    fi
  fi
}

needs32=0
case $step in
  prefix) [ "${1:-win64}" = win32 ] && needs32=1 ;;
  views) needs32=1 ;;
  build | end) ;;
  *) [ "$bits" = 32 ] && needs32=1 ;;
esac
if [ "$needs32" = 1 ] && why=$(wine32_missing); then
  echo "SKIPPED: no 32-bit Wine (wine32:i386) that runs here: $why"
  skipping=1
  exit "$skip_code"
fi

# The programs of the system folder that match the bitness: a 64-bit prefix
# keeps its 32-bit ones in syswow64.
system='C:\windows\system32'
if [ "$bits" = 32 ] && [ -d "${WINEPREFIX:-}/drive_c/windows/syswow64" ]; then
  system='C:\windows\syswow64'
fi

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A Linux path as the Windows programs of the step see it: the prefix's
# drive_c is C:, everything else Z: (the drives of a new prefix). Worked out
# here, not by `winepath`: a Wine program takes long to start under an
# emulator, and the system's `winepath` starts the 32-bit loader whenever
# wine32:i386 is installed, even where it cannot run.
winepath_w() {
  local p
  p=$(realpath -m "$1")
  case $p in
    "$WINEPREFIX/drive_c" | "$WINEPREFIX/drive_c/"*) p="C:${p#"$WINEPREFIX/drive_c"}" ;;
    *) p="Z:$p" ;;
  esac
  p=${p//\//\\}
  [ "${p: -1}" = : ] && p+="\\"
  echo "$p"
}

classes=(
  "EncryptString {6C76F12F-7762-446D-B0C2-1700528115DB} 101"
  "DecryptData {9E7F71AA-55D9-43DE-949B-F0B1C51C6F39} 103"
  "CreateFileHash {133CF673-C50C-424E-8514-F53AD51BE5A0} 105"
  "CreateStringHash {E76CA117-A83C-447F-B94D-FBF88CCE8284} 107"
  "DecryptFile {DF0CED17-02CC-4751-BA20-0E9001F342A8} 109"
  "EncryptFile {DD57A0C6-3C23-4D0B-9D65-CC9DB6C59C0A} 111"
)
libid="{F08A1D92-7E1F-416D-BA15-0E9053571415}"

# The registry below HKEY_CLASSES_ROOT as one view sees it, read back with
# one `reg export` (a query per key would start a Wine program each):
#   load [WINE SYSTEM_FOLDER]     default: the step's own loader and folder
# fills `keys` (every key, "clsid\\{...}") and `values` ("key|name" -> data,
# name "" for the default value; strings unescaped, other types as exported),
# keys and names in lower case as the registry compares them: look them up
# through key_exists and value_of.
declare -A values=() keys=()
load() {
  local loader=${1:-$wine} folder=${2:-$system}
  local file="$WINEPREFIX/hkcr-export.reg" kind key data
  rm -f "$file"
  "$loader" "$folder\\reg.exe" export HKCR "$(winepath_w "$file")" /y >/dev/null 2>&1 ||
    fail "reg export HKCR failed"
  values=() keys=()
  while IFS=$'\t' read -r kind key data; do
    if [ "$kind" = K ]; then keys[$key]=1; else values[$key]=$data; fi
  done < <(iconv -f UTF-16LE -t UTF-8 "$file" | tr -d '\r' | awk '
    function unescape(s,   out, i, c) {
      out = ""
      for (i = 1; i <= length(s); i++) {
        c = substr(s, i, 1)
        if (c == "\\" && i < length(s)) { i++; c = substr(s, i, 1) }
        out = out c
      }
      return out
    }
    /^\[HKEY_CLASSES_ROOT\\.*\]$/ {
      key = tolower(substr($0, 20, length($0) - 20)); print "K\t" key; next
    }
    /^@=/ { v = substr($0, 3); name = ""; }
    /^"/ { i = index($0, "\"="); name = tolower(unescape(substr($0, 2, i - 2))); v = substr($0, i + 2) }
    /^(@|")/ {
      if (v ~ /^".*"$/) v = unescape(substr(v, 2, length(v) - 2))
      print "V\t" key "|" name "\t" v
    }')
  rm -f "$file"
}

# key_exists KEY; value_of KEY [NAME] prints the value, "<missing>" without.
key_exists() { [ -n "${keys[${1,,}]-}" ]; }
value_of() {
  local k="$1|${2:-}"
  echo "${values[${k,,}]-<missing>}"
}

expect_value() {
  local k="$1|${3:-}"
  local got=${values[${k,,}]-<missing>}
  [ "$got" = "$2" ] || fail "HKCR\\$1 ${3:-(default)}: expected \"$2\", got \"$got\""
}

expect_key() { key_exists "$1" || fail "HKCR\\$1 missing"; }

case $step in
  build)
    src=$1 bin=$2 toolchain=$3
    cmake -S "$src" -B "$bin" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null
    cmake --build "$bin" -j2
    ;;

  prefix)
    # A stale server of an earlier run would keep the old registry alive.
    if [ -d "$WINEPREFIX" ]; then wineserver -k 2>/dev/null || true; fi
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    # Wine's null display driver: its desktop process then starts once and
    # stays, where without a display it fails, and is started again, for
    # every program that makes a window (COM's own message windows too).
    printf '%s\n' 'WINE REGISTRY Version 2' \
      ';; All keys relative to REGISTRY\\User\\S-1-5-21-0-0-0-1000' '' \
      '[Software\\Wine\\Drivers]' '"Graphics"="null"' >"$WINEPREFIX/user.reg"
    arch=${1:-win64}
    # The server makes the registry, of the prefix's architecture.
    if [ "${FERROLOK_WINE_PERSIST:-}" = 1 ]; then WINEARCH=$arch wineserver -p; fi
    start=$EPOCHREALTIME
    boot() {
      if [ "$arch" = win32 ]; then
        WINEARCH=win32 /usr/lib/wine/wine "$@" >/dev/null 2>&1
      else
        WINEARCH=win64 /usr/lib/wine/wine64 "$@" >/dev/null 2>&1
      fi
    }
    # Under an emulator the first program can give up waiting for the
    # prefix's set-up (after five minutes) while the set-up goes on: the
    # prefix is ready once a program starts in it.
    if ! boot wineboot -i; then
      for _ in 1 2 3 4 5 6; do boot cmd /c exit 0 && break; done
    fi
    [ -d "$WINEPREFIX/drive_c/windows/system32" ] || fail "wineboot did not create the prefix"
    awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "wineboot took %.1f s\n", b - a }'
    ;;

  register)
    dll=$(winepath_w "$1")
    # A leftover subkey under a class key must go: the key is replaced whole.
    "$wine" "$system\\reg.exe" add "HKCR\\CLSID\\{6C76F12F-7762-446D-B0C2-1700528115DB}\\Stale" /f >/dev/null 2>&1
    "$wine" "$system\\regsvr32.exe" /s "$dll" >/dev/null 2>&1 || fail "regsvr32 $dll failed"
    load
    for c in "${classes[@]}"; do
      read -r name clsid bitmap <<<"$c"
      expect_value "Ferrolok.$name.1" "$name Class"
      expect_value "Ferrolok.$name.1\\CLSID" "$clsid"
      expect_value "Ferrolok.$name" "$name Class"
      expect_value "Ferrolok.$name\\CLSID" "$clsid"
      expect_value "Ferrolok.$name\\CurVer" "Ferrolok.$name.1"
      k="CLSID\\$clsid"
      expect_value "$k" "$name Class"
      expect_value "$k\\ProgID" "Ferrolok.$name.1"
      expect_value "$k\\VersionIndependentProgID" "Ferrolok.$name"
      for empty in Programmable Control Insertable; do expect_key "$k\\$empty"; done
      expect_value "$k\\InprocServer32" "$dll"
      expect_value "$k\\InprocServer32" "Apartment" ThreadingModel
      expect_value "$k\\ToolboxBitmap32" "$dll, $bitmap"
      expect_value "$k\\MiscStatus" "0"
      expect_value "$k\\MiscStatus\\1" "132497"
      expect_value "$k\\TypeLib" "$libid"
      expect_value "$k\\Version" "1.0"
      # Exactly these keys under the class key (a stale one was removed).
      n=0
      for key in "${!keys[@]}"; do [[ $key == "${k,,}\\"* ]] && n=$((n + 1)); done
      [ "$n" -eq 11 ] || fail "HKCR\\$k has $n keys below it, expected 11"
    done
    expect_value "TypeLib\\$libid\\1.0" "Ferrolok 1.0 Type Library"
    tlb=$(value_of "TypeLib\\$libid\\1.0\\409\\win$bits")
    case "${tlb,,}" in
      *ferrolok.dll) ;;
      *) fail "type library registered as \"$tlb\"" ;;
    esac
    # The same file under the neutral locale, where a marshaler looks.
    tlb0=$(value_of "TypeLib\\$libid\\1.0\\0\\win$bits")
    [ "$tlb0" = "$tlb" ] || fail "type library under locale 0 registered as \"$tlb0\""
    echo "registered ($bits-bit): ${#classes[@]} classes and the type library"
    ;;

  unregister)
    dll=$(winepath_w "$1")
    "$wine" "$system\\regsvr32.exe" /s /u "$dll" >/dev/null 2>&1 || fail "regsvr32 /u failed"
    load
    for c in "${classes[@]}"; do
      read -r name clsid _ <<<"$c"
      for k in "Ferrolok.$name.1" "Ferrolok.$name" "CLSID\\$clsid"; do
        ! key_exists "$k" || fail "HKCR\\$k still present"
      done
    done
    key_exists CLSID || fail "HKCR\\CLSID was removed"
    # The type library's key is shared by both views: with the other
    # bitness's DLL still registered only this bitness's entry goes.
    other=$((96 - bits))
    if key_exists "TypeLib\\$libid\\1.0\\409\\win$other"; then
      ! key_exists "TypeLib\\$libid\\1.0\\409\\win$bits" ||
        fail "the $bits-bit type library is still registered"
      ! key_exists "TypeLib\\$libid\\1.0\\0\\win$bits" ||
        fail "the $bits-bit type library is still registered under locale 0"
    else
      ! key_exists "TypeLib\\$libid\\1.0" || fail "the type library is still registered"
    fi
    echo "unregistered; HKCR\\CLSID remains"
    ;;

  run)
    exe=$1
    shift
    # Paths of this machine become Windows paths.
    args=()
    for a in "$@"; do
      if [ -e "$a" ]; then args+=("$(winepath_w "$a")"); else args+=("$a"); fi
    done
    "$wine" "$exe" "${args[@]}" 2>/dev/null | tr -d '\r'
    exit "${PIPESTATUS[0]}"
    ;;

  crosscheck)
    win_exe=$1 linux_exe=$2 count=$3
    # The prefixes of both bitnesses may run side by side: files of their own.
    out=crosscheck$bits
    seed=${FERROLOK_SEED:-$(date +%s)}
    echo "seed $seed, $count cases (FERROLOK_SEED=$seed repeats them)"
    start=$EPOCHREALTIME
    "$wine" "$win_exe" "$seed" "$count" 2>/dev/null | tr -d '\r' >"$out-windows.txt"
    awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "under Wine: %.1f s\n", b - a }'
    "$linux_exe" "$seed" "$count" >"$out-linux.txt"
    lines=$(wc -l <"$out-windows.txt")
    [ "$lines" -eq "$count" ] || fail "the Windows side printed $lines of $count cases"
    if ! diff "$out-windows.txt" "$out-linux.txt" >"$out.diff"; then
      head -20 "$out.diff"
      fail "$(grep -c '^<' "$out.diff") of $count cases differ"
    fi
    echo "identical: $(grep -c 'enc=[0-9a-f]' "$out-linux.txt") ciphertexts," \
      "$(grep -c 'bad=[0-9a-f]' "$out-linux.txt") decryptions of random data that passed," \
      "$(grep -c 'enc= ' "$out-linux.txt") unusable providers"
    ;;

  vbscript)
    script=$1 cli=$2 work=$3
    rm -rf "$work"
    mkdir -p "$work"
    printf 'Batch 7\r\n5/3/2004 9:05:07 AM, 21.5, 21.7\r\n\x01\xfe\x00 end' >"$work/plain.txt"
    printf "$(printf '\\x%02x' $(seq 0 255))" >"$work/all.bin"
    hex_of() { od -An -v -tx1 "$1" | tr -d ' \n'; }
    # What the Linux tool makes of the same inputs.
    expect=$(
      cli() { "$cli" "$@" || [ $? -eq 4 ]; }  # 4: an empty byte array
      a=$(cli encrypt --password plumb --text a)
      zero=$(cli encrypt --password "Operator 1" --hex 6162006364)
      fileEnc=$(cli encrypt --password plumb --file "$work/plain.txt")
      echo "created six classes"
      echo "bytes $(hex_of "$work/all.bin")"
      echo "EncryptString $a"
      echo "DecryptData $(cli decrypt --password plumb --hex "$a")"
      echo "EncryptString-zero $zero"
      echo "EncryptString-zero-file $zero"
      echo "DecryptData-zero $(cli decrypt --password "Operator 1" --hex "$zero")"
      echo "EncryptString-enhanced $(cli encrypt --password plumb \
        --provider "Microsoft Enhanced Cryptographic Provider v1.0" \
        --text "5/3/2004 9:05:07, Operator 1, Batch start")"
      echo "DecryptData-wrong |0"
      echo "EncryptString-unknown $(cli encrypt --password plumb --provider "No Such Provider" --text a)"
      echo "untouched ok"
      echo "CreateStringHash $(cli hash --text abc)"
      echo "CreateFileHash $(cli hash --file "$work/plain.txt")"
      echo "EncryptFile $fileEnc"
      echo "DecryptFile $(hex_of "$work/plain.txt")"
      echo "DecryptData-array $(cli decrypt --password plumb --hex b56cad6ee4dd5d6d)"
      echo "script arrays ok"
    )
    start=$EPOCHREALTIME
    set +e
    "$wine" "$system\\cscript.exe" //nologo "$(winepath_w "$script")" "$(winepath_w "$work")" 2>/dev/null |
      tr -d '\r' >"$work/output.txt"
    code=${PIPESTATUS[0]}
    set -e
    awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "cscript took %.1f s\n", b - a }'
    if ! diff <(echo "$expect") "$work/output.txt"; then
      fail "the script's output differs from the Linux tool's (< expected, > printed)"
    fi
    [ "$code" -eq 0 ] || fail "cscript exit code $code"
    # The files the classes wrote hold the same bytes.
    [ "$(hex_of "$work/plain.enc")" = "$(echo "$expect" | awk '$1 == "EncryptFile" { print $2 }')" ] ||
      fail "EncryptFile's destination file differs"
    cmp -s "$work/plain.dec" "$work/plain.txt" || fail "DecryptFile's destination file differs"
    [ ! -s "$work/dec-wrong.bin" ] || fail "a failed decryption left bytes in its file"
    echo "$(wc -l <"$work/output.txt") lines as the Linux tool gives them"
    ;;

  views)
    # Both DLLs registered in one 64-bit prefix: each view names its own DLL,
    # so a 64-bit client loads the 64-bit server and a 32-bit one the 32-bit.
    dll64=$(winepath_w "$1") dll32=$(winepath_w "$2")
    load /usr/lib/wine/wine 'C:\windows\syswow64'
    declare -A view32=()
    for c in "${classes[@]}"; do
      read -r name clsid _ <<<"$c"
      view32[$name]=$(value_of "CLSID\\$clsid\\InprocServer32")
    done
    load /usr/lib/wine/wine64 'C:\windows\system32'
    for c in "${classes[@]}"; do
      read -r name clsid _ <<<"$c"
      got64=$(value_of "CLSID\\$clsid\\InprocServer32") got32=${view32[$name]}
      [ "$got64" = "$dll64" ] || fail "64-bit view of $name: \"$got64\", expected \"$dll64\""
      [ "$got32" = "$dll32" ] || fail "32-bit view of $name: \"$got32\", expected \"$dll32\""
    done
    for b in 32 64; do
      key_exists "TypeLib\\$libid\\1.0\\409\\win$b" ||
        fail "the $b-bit type library is not registered"
    done
    echo "each registry view names its own DLL; both type libraries registered"
    ;;

  end)
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    ;;

  *)
    fail "unknown step $step"
    ;;
esac
