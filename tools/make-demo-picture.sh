#!/usr/bin/env bash
# Draws the demo package's wizard picture (Classic_Setup.bmp, 130 x 270) with ImageMagick:
# a deep blue ramp with a stack of note sheets. The picture is kept in the repository; run
# this only to change it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out="${1:-$here/demo/package/Classic_Setup.bmp}"
im=convert
[ -x /usr/bin/convert ] && im=/usr/bin/convert
"$im" -size 130x270 gradient:'#2a5db0'-'#0c2350' \
  -fill '#dfe8f5' -stroke '#7f9cc8' -strokewidth 1 \
  -draw 'polygon 30,92 92,80 104,150 42,162' \
  -fill '#ffffff' \
  -draw 'polygon 24,100 88,100 88,172 24,172' \
  -stroke '#9db4d8' \
  -draw 'line 32,116 80,116' -draw 'line 32,128 80,128' -draw 'line 32,140 80,140' -draw 'line 32,152 66,152' \
  -alpha off -depth 8 -type TrueColor "BMP3:$out"
