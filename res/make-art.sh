#!/usr/bin/env bash
# Draws Quorvel's artwork with ImageMagick. Run once; the results are
# committed, so building never needs ImageMagick.
#   logo.png          200 x 108, the About dialog's logo
#   quick-connect.png 16 x 16, lightning bolt
#   connect.png       16 x 16, server with a green light
#   favourite.png     16 x 16, star
#   about.png         16 x 16, "i" in a blue disc
#   player.png        16 x 16, a person
#   quorvel.ico       16/32/48, the application icon
set -euo pipefail
cd "$(dirname "$0")"
png32() { convert "$@"; }   # keep the alpha channel: PNG32: prefix on output

# The mark: a ring with a tail, white on a blue rounded square.
mark() {  # size output
  local s=$1 out=$2 r
  r=$(( s / 6 ))
  convert -size ${s}x${s} xc:none \
    -fill '#1f5fa8' -draw "roundrectangle 0,0 $((s-1)),$((s-1)) $r,$r" \
    -fill none -stroke white -strokewidth $(( s / 8 > 1 ? s / 8 : 2 )) \
    -draw "circle $((s/2)),$((s/2)) $((s/2)),$((s/5))" \
    -draw "line $((s*11/20)),$((s*11/20)) $((s*17/20)),$((s*17/20))" \
    PNG32:"$out"
}
mark 16 /tmp/quorvel-16.png
mark 32 /tmp/quorvel-32.png
mark 48 /tmp/quorvel-48.png
convert /tmp/quorvel-16.png /tmp/quorvel-32.png /tmp/quorvel-48.png quorvel.ico

# Logo: the mark and the name on a soft gradient.
mark 84 /tmp/quorvel-84.png
convert -size 200x108 gradient:'#ffffff-#dce6f2' \
  /tmp/quorvel-84.png -geometry +10+12 -composite \
  -font Helvetica-Bold -pointsize 26 -fill '#1f3f66' -annotate +100+58 'Quorvel' \
  -font Helvetica -pointsize 11 -fill '#4a5a6e' -annotate +101+76 'server admin' \
  PNG32:logo.png

png32 -size 16x16 xc:none -fill '#f5b800' -stroke '#9a6a00' -strokewidth 1 \
  -draw "polygon 9,0 2,9 7,9 5,15 13,6 8,6 11,0" PNG32:quick-connect.png

png32 -size 16x16 xc:none -fill '#8c99a8' -stroke '#4b5563' -strokewidth 1 \
  -draw "rectangle 2,1 13,6" -draw "rectangle 2,8 13,13" \
  -stroke none -fill '#2fbf4a' -draw "rectangle 10,3 11,4" -draw "rectangle 10,10 11,11" \
  -fill '#3a4450' -draw "rectangle 4,14 11,15" PNG32:connect.png

png32 -size 16x16 xc:none -fill '#ffcc33' -stroke '#b07800' -strokewidth 1 \
  -draw "polygon 8,0 10,5 15,6 11,10 12,15 8,12 4,15 5,10 1,6 6,5" PNG32:favourite.png

png32 -size 16x16 xc:none -fill '#2d6fc0' -stroke '#1b4a85' -strokewidth 1 \
  -draw "circle 7.5,7.5 7.5,0.5" -stroke none -fill white \
  -draw "rectangle 7,6 8,12" -draw "rectangle 7,3 8,4" PNG32:about.png

png32 -size 16x16 xc:none -fill '#3f7fbf' -stroke '#24527f' -strokewidth 1 \
  -draw "circle 7.5,4 7.5,1" -draw "roundrectangle 2,8 13,15 3,3" PNG32:player.png

rm -f /tmp/quorvel-16.png /tmp/quorvel-32.png /tmp/quorvel-48.png /tmp/quorvel-84.png
