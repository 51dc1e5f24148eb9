#!/usr/bin/env bash
# Draws the program's bitmaps from their text sources: every
# resources/bitmaps/<name>.txt becomes resources/<name>.bmp (4 bits per pixel,
# standard 16-colour palette). Run by hand when a picture changes; the BMP
# files are kept in the repository.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
resources=$(cd "$here/../../resources" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

g++ -std=c++17 -O1 -Wall -Wextra -I "$here/../.." -o "$tmp/textbitmap" "$here/textbitmap.cpp"
for source in "$resources"/bitmaps/*.txt; do
  [ -e "$source" ] || continue
  name=$(basename "$source" .txt)
  "$tmp/textbitmap" "$source" "$resources/$name.bmp"
  echo "$resources/$name.bmp"
done
