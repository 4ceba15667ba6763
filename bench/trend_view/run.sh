#!/usr/bin/env bash
# Replot, wheel, pan, picture, printout and memory figures of the trend plot
# with 8 channels of each signal shape (bench/trend/signal_shapes.h) at
# 10 k, 100 k, 1 M and 5 M points (2-px pens, 1600 x 900).
# Runs offscreen unless DISPLAY is set.
# Usage: bench/trend_view/run.sh [BUILD_DIR]
#   SHAPES="walk onoff"  the shapes to run (default all six)
#   ROWS="1000000"       the sizes to run (default 10000 100000 1000000 5000000)
set -euo pipefail
build=${1:-build}
cmake --build "$build" --target trend_view_bench >/dev/null
export QT_QPA_PLATFORM=${DISPLAY:+xcb}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
read -r -a shapes <<<"${SHAPES:-walk sine noisy onoff random01 sawtooth}"
read -r -a sizes <<<"${ROWS:-10000 100000 1000000 5000000}"
for shape in "${shapes[@]}"; do
  for rows in "${sizes[@]}"; do
    "$build/bench/trend_view/trend_view_bench" "$rows" 8 "$shape"
    echo
  done
done
