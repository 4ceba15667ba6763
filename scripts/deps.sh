#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing:
# with everything in place it makes no apt call at all.
# Usage: scripts/deps.sh build|gui|windows|bench|fuzz ...
#
# Two pieces are optional: the 32-bit Wine (wine32:i386; Debian's i386 index
# may be out of reach for a while) and the PostgreSQL server the batch
# register's tests start (`optional` below). When apt cannot install one, a
# line says so and the rest goes on; the tests that need it report
# themselves skipped. Any other package that cannot be installed is a
# failure.
# Environment: DEPS_APT_TRIES (apt-get update attempts, default 3).
set -euo pipefail

declare -A groups=(
  [build]="g++ cmake ninja-build pkg-config nettle-dev libsodium-dev libharfbuzz-dev libgtest-dev qt6-base-dev qt6-svg-dev libqcustomplot-dev libgl-dev dpkg-dev file lintian python3-numpy libqt6sql6-sqlite libqt6sql6-psql"
  [gui]="xvfb xauth fonts-dejavu-core fonts-noto-cjk imagemagick poppler-utils"
  [windows]="wine wine64 wine32:i386 g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools wine64-tools"
  [bench]="python3-pandas python3-matplotlib gnuplot-nox time openssl miller"
  [fuzz]="clang libclang-rt-14-dev"
)
declare -A optional=(
  [build]="postgresql"
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
tries=${DEPS_APT_TRIES:-3}

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }

# Missing packages: the required ones, the optional i386 ones and the other
# optional ones apart.
want=() want_i386=() want_optional=()
for g in "$@"; do
  for p in ${groups[$g]:?unknown package group $g}; do
    installed "$p" && continue
    if [[ $p == *:i386 ]]; then want_i386+=("$p"); else want+=("$p"); fi
  done
  for p in ${optional[$g]:-}; do
    installed "$p" || want_optional+=("$p")
  done
done
[ ${#want[@]} -eq 0 ] && [ ${#want_i386[@]} -eq 0 ] && [ ${#want_optional[@]} -eq 0 ] && exit 0

# The 32-bit Wine needs Debian's i386 architecture, added once.
if [ ${#want_i386[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Adding the i386 architecture"
  $sudo dpkg --add-architecture i386
fi

log=$(mktemp) update_log=$(mktemp)
trap 'rm -f "$log" "$update_log"' EXIT

# A mirror being synchronised fails the update for a minute or so: try again
# after a short pause. An index that still fails is left out by apt; whether
# that matters shows when the packages are installed.
echo "Installing: ${want[*]} ${want_i386[*]} ${want_optional[*]}"
for ((i = 1; i <= tries; i++)); do
  if $sudo apt-get update -qq >"$update_log" 2>&1; then
    : >"$update_log"
    break
  fi
  if [ "$i" -lt "$tries" ]; then sleep 5; fi
done

install() { $sudo apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1; }

if [ ${#want[@]} -gt 0 ] && ! install "${want[@]}"; then
  cat "$update_log" "$log" >&2
  echo "deps.sh: cannot install ${want[*]}" >&2
  exit 1
fi
if [ ${#want_i386[@]} -gt 0 ] && ! install "${want_i386[@]}"; then
  if grep -q 'binary-i386' "$update_log"; then
    why="Debian's i386 package index could not be fetched"
  else
    why=$(grep -m1 '^E:' "$log" | cut -c4- || true)
  fi
  echo "deps.sh: ${want_i386[*]} cannot be installed now (${why:-apt-get install failed});" \
    "the tests that need the 32-bit Wine will be reported skipped"
fi
if [ ${#want_optional[@]} -gt 0 ] && ! install "${want_optional[@]}"; then
  why=$(grep -m1 '^E:' "$log" | cut -c4- || true)
  echo "deps.sh: ${want_optional[*]} cannot be installed now (${why:-apt-get install failed});" \
    "the batch register's PostgreSQL tests will be reported skipped"
fi
exit 0
