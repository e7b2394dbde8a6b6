#!/usr/bin/env bash
# Runs the grid gallery on a virtual display and saves what a person would
# see as docs/grid-gallery.png. Usage: screenshot.sh BUILD_DIR (a Windows build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:?usage: screenshot.sh BUILD_DIR}
out=${2:-$root/docs/grid-gallery.png}
mkdir -p "$(dirname "$out")"
export QUORVEL_BUILD_DIR=$build
xvfb-run -a -s "-screen 0 1500x720x24" bash -c "
  '$root/scripts/wine-run' '$build/tools/gallery/grid_gallery.exe' 15000 &
  sleep 10
  import -window root '$out.full.png'
  wait
"
# Keep the window, without the empty screen around it.
convert "$out.full.png" -crop 1045x700+0+0 +repage -trim +repage "$out"
rm -f "$out.full.png"
echo "saved $out"
