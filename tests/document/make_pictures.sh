#!/usr/bin/env bash
# Pictures written by another program (ImageMagick) for the file tests of
# the program. Usage: make_pictures.sh <folder>
set -euo pipefail
out=$1
mkdir -p "$out"
# A page bitmap, 60 x 44, 1 bit: a rectangle on the graphic (columns 5..14,
# rows 3..7) and one pin of the text line (column 2, row 1).
convert -size 60x44 xc:white -fill black -draw "rectangle 5,3 14,7" -draw "point 2,41" \
  -monochrome "BMP3:$out/page_1bit.bmp"
# 200 x 100 with the left half black, in four formats.
half=(-size 200x100 xc:white -fill black -draw "rectangle 0,0 99,99")
convert "${half[@]}" "$out/half.png"
convert "${half[@]}" -quality 90 "$out/half.jpg"
convert "${half[@]}" "$out/half.gif"
convert "${half[@]}" -type truecolor "BMP3:$out/half24.bmp"
