#!/usr/bin/env bash
# Replot, wheel, pan and picture times and memory of the trend plot with
# 8 channels of 10 k, 100 k, 1 M and 5 M points (2-px pens, 1600 x 900).
# Runs offscreen unless DISPLAY is set. Usage: bench/trend_view/run.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
cmake --build "$build" --target trend_view_bench >/dev/null
export QT_QPA_PLATFORM=${DISPLAY:+xcb}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
for rows in 10000 100000 1000000 5000000; do
  "$build/bench/trend_view/trend_view_bench" "$rows" 8
  echo
done
