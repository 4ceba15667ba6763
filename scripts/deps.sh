#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing.
# Usage: scripts/deps.sh build|gui|windows|bench|fuzz ...
set -euo pipefail

declare -A groups=(
  [build]="g++ cmake ninja-build pkg-config nettle-dev libgtest-dev qt6-base-dev qt6-svg-dev libqcustomplot-dev libgl-dev python3-numpy"
  [gui]="xvfb xauth fonts-dejavu-core imagemagick poppler-utils"
  [windows]="wine wine64 wine32:i386 g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools wine64-tools"
  [bench]="python3-pandas python3-matplotlib gnuplot-nox time openssl miller"
  [fuzz]="clang libclang-rt-14-dev"
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

# The 32-bit Wine (wine32:i386) needs Debian's i386 architecture; adding it
# once forces a fresh package list.
update=0
for g in "$@"; do
  if [[ " ${groups[$g]:-} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture"
    $sudo dpkg --add-architecture i386
    update=1
  fi
done

want=()
for g in "$@"; do
  for p in ${groups[$g]:?unknown package group $g}; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
      want+=("$p")
    fi
  done
done

if [ ${#want[@]} -gt 0 ] || [ $update -eq 1 ]; then
  echo "Installing: ${want[*]}"
  $sudo apt-get update -qq
  if [ ${#want[@]} -gt 0 ]; then
    $sudo apt-get install -y -qq --no-install-recommends "${want[@]}" >/dev/null
  fi
fi
