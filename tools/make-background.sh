#!/usr/bin/env bash
# Draws Rookwell's table background (790 x 560) with ImageMagick: a smooth green cloth,
# a little lighter over the middle of the table, with framed areas for the table and the
# score panel. The picture is kept in the repository; run this only to change it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out="${1:-$here/cardgames/resources/background.png}"
im=convert
[ -x /usr/bin/convert ] && im=/usr/bin/convert
# The light: a wide radial ramp around the table's middle, pressed towards mid grey so
# that blending it in only nudges the cloth's colour.
"$im" -size 790x560 gradient:'#22693a'-'#0f3e20' \
  \( -size 1400x1100 radial-gradient:'#ffffff'-'#000000' -crop 790x560+389+299 +repage \
     +level 38%,62% \) \
  -compose soft-light -composite \
  -fill none -stroke '#5b8e59' -strokewidth 1.5 \
  -draw 'roundrectangle 8,8 614,494 8,8' \
  -draw 'roundrectangle 619,8 781,494 8,8' \
  -alpha off -depth 8 -define png:color-type=2 "PNG24:$out"
