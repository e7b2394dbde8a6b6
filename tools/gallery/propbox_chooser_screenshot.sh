#!/usr/bin/env bash
# Runs the gallery on a virtual display with the property box page's colour
# chooser opened by itself, and saves the page with the dialog over it as
# docs/propbox-chooser.png. Usage: propbox_chooser_screenshot.sh BUILD_DIR (a Windows build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:?usage: propbox_chooser_screenshot.sh BUILD_DIR}
out=${2:-$root/docs/propbox-chooser.png}
mkdir -p "$(dirname "$out")"
export QUORVEL_BUILD_DIR=$build QUORVEL_GALLERY_CHOOSER=1
xvfb-run -a -s "-screen 0 1600x760x24" bash -c "
  '$root/scripts/wine-run' '$build/tools/gallery/grid_gallery.exe' 14000 &
  sleep 8
  import -window root '$out.full.png'
  wait
"
# The page opens at (1050, 10) and the dialog over it; keep both.
convert "$out.full.png" -crop 560x720+1045+5 +repage -trim +repage "$out"
rm -f "$out.full.png"
echo "saved $out"
