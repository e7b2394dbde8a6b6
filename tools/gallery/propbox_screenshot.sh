#!/usr/bin/env bash
# Runs the gallery on a virtual display and saves its property box page as
# docs/propbox-gallery.png. Usage: propbox_screenshot.sh BUILD_DIR (a Windows build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:?usage: propbox_screenshot.sh BUILD_DIR}
out=${2:-$root/docs/propbox-gallery.png}
mkdir -p "$(dirname "$out")"
export QUORVEL_BUILD_DIR=$build
xvfb-run -a -s "-screen 0 1500x720x24" bash -c "
  '$root/scripts/wine-run' '$build/tools/gallery/grid_gallery.exe' 7000 &
  sleep 5
  import -window root '$out.full.png'
  wait
"
# The page opens at (1050, 10); keep it without the screen around it.
convert "$out.full.png" -crop 400x620+1045+5 +repage -trim +repage "$out"
rm -f "$out.full.png"
echo "saved $out"
