#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing.
# Usage: scripts/deps.sh build|gui|windows|bench|fuzz ...
set -euo pipefail

declare -A groups=(
  [build]="g++ cmake ninja-build pkg-config nettle-dev libgtest-dev qt6-base-dev qt6-svg-dev libqcustomplot-dev libgl-dev"
  [gui]="xvfb xauth fonts-dejavu-core imagemagick poppler-utils"
  [windows]="wine wine64 g++-mingw-w64-x86-64 mingw-w64-tools wine64-tools"
  [bench]="python3-pandas python3-matplotlib gnuplot-nox time"
  [fuzz]="clang libclang-rt-14-dev"
)

want=()
for g in "$@"; do
  for p in ${groups[$g]:?unknown package group $g}; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
      want+=("$p")
    fi
  done
done

if [ ${#want[@]} -gt 0 ]; then
  echo "Installing: ${want[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${want[@]}" >/dev/null
fi
