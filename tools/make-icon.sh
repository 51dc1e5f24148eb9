#!/usr/bin/env bash
# Draws the program icon (a film frame with an arrow pointing to a picture)
# and writes resources/velmo32.ico with 32x32 and 16x16 images. Run by hand
# when the picture changes; the icon file is kept in the repository.
set -euo pipefail
out=$(cd "$(dirname "$0")/../resources" && pwd)/velmo32.ico
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

convert -size 32x32 xc:none \
  -fill '#202020' -draw 'roundrectangle 1,3 20,28 2,2' \
  -fill '#f0f0f0' -draw 'rectangle 3,5 5,7' -draw 'rectangle 3,10 5,12' -draw 'rectangle 3,15 5,17' \
                  -draw 'rectangle 3,20 5,22' -draw 'rectangle 3,25 5,26' \
                  -draw 'rectangle 16,5 18,7' -draw 'rectangle 16,10 18,12' -draw 'rectangle 16,15 18,17' \
                  -draw 'rectangle 16,20 18,22' -draw 'rectangle 16,25 18,26' \
  -fill '#4a90d9' -draw 'rectangle 7,6 14,25' \
  -fill '#e8a010' -draw 'polygon 17,13 25,13 25,9 31,16 25,23 25,19 17,19' \
  PNG32:"$tmp/32.png"
convert "$tmp/32.png" -resize 16x16 PNG32:"$tmp/16.png"
convert "$tmp/32.png" "$tmp/16.png" "$out"
