#!/usr/bin/env bash
# Opens every BMP file the graphics tests left in <folder>/*/ with ImageMagick,
# an independent reader, and compares its pixels with the .rgb file next to it
# (what the test expects a reader to see: red, green, blue, top row first).
set -euo pipefail
folder=$1
checked=0
failed=0
for bmp in "$folder"/*/*.BMP; do
  expected=${bmp%.BMP}.rgb
  [ -f "$expected" ] || continue
  if ! format=$(identify -format '%m %wx%h' "$bmp" 2>&1); then
    echo "FAIL: identify cannot read $bmp: $format"
    failed=$((failed + 1))
    continue
  fi
  if convert "$bmp" -depth 8 rgb:- | cmp -s - "$expected"; then
    echo "ok: $bmp ($format)"
  else
    echo "FAIL: $bmp ($format): pixels differ from $expected"
    failed=$((failed + 1))
  fi
  checked=$((checked + 1))
done
echo "$checked files checked, $failed failed"
[ "$checked" -gt 0 ] && [ "$failed" -eq 0 ]
