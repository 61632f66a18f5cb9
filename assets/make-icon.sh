#!/usr/bin/env bash
# Draws the program's icon and writes assets/kestrova.ico: a glossy dark round button with a
# bright blue trace across it, rising and falling like a traffic graph, in eight sizes from 128
# down to 16 pixels, 32-bit with alpha (the five from 48 up stored as PNG). Needs ImageMagick's convert. Run it again after a change:
#
#     bash assets/make-icon.sh
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

big=512
# The rim: a steel ring lit from above.
convert -size ${big}x${big} gradient:'#8a949e'-'#14171a' \
  \( -size ${big}x${big} xc:black -fill white -draw "circle 256,256 256,8" \) \
  -alpha off -compose copy_opacity -composite "$work/rim.png"
# The face: a dark disc, a little lighter towards the bottom where the light falls through.
convert -size ${big}x${big} radial-gradient:'#1d3447'-'#03070b' -roll +0+70 \
  \( -size ${big}x${big} xc:black -fill white -draw "circle 256,256 256,30" \) \
  -alpha off -compose copy_opacity -composite "$work/face.png"
# The mark: a trace that runs level, jumps, dips and settles, with a soft glow under it.
trace="polyline 92,282 170,282 214,170 276,368 322,226 352,282 420,282"
convert -size ${big}x${big} xc:none -fill none -stroke '#00aafa' -strokewidth 70 \
  -draw "stroke-linejoin round stroke-linecap round $trace" -channel A -evaluate multiply 0.35 \
  +channel -blur 0x18 "$work/glow.png"
convert -size ${big}x${big} xc:none -fill none -stroke '#00aafa' -strokewidth 36 \
  -draw "stroke-linejoin round stroke-linecap round $trace" "$work/mark.png"
# The gloss: a pale lens over the upper half of the face, fading downwards.
convert -size ${big}x${big} gradient:'#ffffff'-'#000000' -level 0%,55% \
  \( -size ${big}x${big} xc:black -fill white -draw "ellipse 256,140 176,104 0,360" \) \
  -compose multiply -composite -evaluate multiply 0.32 "$work/gloss-alpha.png"
convert -size ${big}x${big} xc:white "$work/gloss-alpha.png" -alpha off \
  -compose copy_opacity -composite "$work/gloss.png"

convert "$work/rim.png" "$work/face.png" -compose over -composite \
  "$work/glow.png" -compose over -composite \
  "$work/mark.png" -compose over -composite \
  "$work/gloss.png" -compose over -composite "$work/icon-$big.png"

sizes=(128 96 72 64 48 32 24 16)
for s in "${sizes[@]}"; do
  convert "$work/icon-$big.png" -filter Lanczos -resize ${s}x${s} -strip -depth 8 \
    -define png:color-type=6 -define png:bit-depth=8 \
    -define png:compression-level=9 "$work/icon-$s.png"
done
# The small frames as 32-bit BMPs with alpha, as every Windows reads them.
convert "$work"/icon-{32,24,16}.png -compress none "$work/small.ico"
# The icon file: the five frames from 48 up stored as PNG (Windows Vista and later read those,
# and the program needs Vista), then the small BMP frames taken from small.ico; largest first.
python3 - "$work" "$here/kestrova.ico" <<'PY'
import struct, sys
work, out = sys.argv[1], sys.argv[2]
frames = [(s, open(f"{work}/icon-{s}.png", "rb").read()) for s in (128, 96, 72, 64, 48)]
small = open(f"{work}/small.ico", "rb").read()
_, _, count = struct.unpack_from("<HHH", small, 0)
for i in range(count):
    w, h, _, _, _, _, size, offset = struct.unpack_from("<BBBBHHII", small, 6 + 16 * i)
    frames.append((w or 256, small[offset:offset + size]))
offset = 6 + 16 * len(frames)
head, body = struct.pack("<HHH", 0, 1, len(frames)), b""
for s, data in frames:
    head += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
    body += data
open(out, "wb").write(head + body)
PY
