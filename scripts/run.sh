#!/usr/bin/env bash
# Installs what is missing, builds, writes the sample logs and starts the
# Tarvex Data Viewer with them as its start-up folder (the Open dialogs start
# there). Without a display it runs the viewer under Xvfb, opens the sample
# data history file, saves a screenshot of the window and ends.
#
#   scripts/run.sh [SAMPLE_DIR]     default: build/sample-logs
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/deps.sh build gui
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2

sample=${1:-build/sample-logs}
mkdir -p "$sample"
sample=$(cd "$sample" && pwd)
build/viewer/cli/tarvex sample "$sample" >/dev/null
data=$(ls "$sample"/*.csv | grep -vi alarm | head -n 1)
viewer="$root/build/viewer/history/tarvex-viewer"

cd "$sample"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$viewer"
fi
shot="$root/build/tarvex-viewer-screenshot.png"
echo "No display: running the viewer under Xvfb with $data"
xvfb-run -a -s "-screen 0 1280x800x24" "$viewer" --open "$data" --screenshot "$shot"
