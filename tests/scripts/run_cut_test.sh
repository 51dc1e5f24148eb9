#!/usr/bin/env bash
# Movies Wine cannot show, run through run.sh into the real program: frame 10
# cut from each is ffmpeg's own decode of frame 10. Needs a display (DISPLAY).
source "$(dirname "$0")/lib.sh"

: "${DISPLAY:?the program needs a display}"
demo=$root/build/i686/tools/velmodemo.exe

# cut_frame_10 <movie> <output folder>: runs the program on the movie as a
# user would, cuts frame 10 and closes it.
cut_frame_10() {
  "$run_sh" --no-build -o "$2" "$1" &
  local program=$!
  "$root/scripts/wine-run" "$demo" cut "$(unix_to_windows "$2")" 10 10 || true
  "$root/scripts/wine-run" "$demo" close || true
  wait "$program" || true
}
unix_to_windows() { echo "Z:${1//\//\\}"; }

# The peak difference of two pictures, from 0 to 65535.
peak_difference() {
  compare -metric PAE "$1" "$2" null: 2>&1 | cut -d' ' -f1 || true
}

# cut_and_compare <movie> <largest difference allowed>: frame 10 cut through
# run.sh is ffmpeg's decode of frame 10 (orientation included), not frame 11.
cut_and_compare() {
  local movie=$1 allowed=$2 name out difference
  name=$(basename "$movie")
  out=$work/out-${name%.*}
  cut_frame_10 "$movie" "$out"
  if [ ! -f "$out/000A.BMP" ]; then
    fail "$name: frame 10 is cut"
    return
  fi
  ffmpeg -nostdin -v error -y -i "$movie" -vf 'select=eq(n\,10)' -frames:v 1 -pix_fmt rgb24 "$out/expected.png"
  ffmpeg -nostdin -v error -y -i "$out/000A.BMP" -pix_fmt rgb24 "$out/cut.png"
  ffmpeg -nostdin -v error -y -i "$movie" -vf 'select=eq(n\,11)' -frames:v 1 -pix_fmt rgb24 "$out/next.png"
  difference=$(peak_difference "$out/expected.png" "$out/cut.png")
  echo "$name: peak difference from ffmpeg's frame 10: $difference of 65535"
  check "$name: the cut frame 10 is ffmpeg's frame 10" test "${difference%%[!0-9]*}" -le "$allowed"
  check "$name: and not frame 11" test "$(peak_difference "$out/next.png" "$out/cut.png" | cut -d. -f1)" -gt 1024
}

MOVIE_SIZE=320x240
make_movie "$work/in folder/mjpeg.avi" -c:v mjpeg -q:v 4
cut_and_compare "$work/in folder/mjpeg.avi" 1024
make_movie "$work/in folder/h264.mp4" -c:v libx264 -pix_fmt yuv420p -bf 2
cut_and_compare "$work/in folder/h264.mp4" 1024

# A phone-style movie whose picture is to be shown turned a quarter: cut
# upright, 240 wide and 320 high, exactly as ffmpeg decodes it.
ffmpeg -nostdin -v error -y -i "$work/in folder/h264.mp4" -c copy -metadata:s:v:0 rotate=90 "$work/rotated.mp4"
cut_and_compare "$work/rotated.mp4" 0
check "the rotated movie is cut upright" \
  test "$(identify -format %wx%h "$work/out-rotated/000A.BMP" 2>/dev/null)" = 240x320
# 8-bit rows stored top-down, as ffmpeg writes raw palette video.
make_movie "$work/palette.avi" -c:v rawvideo -pix_fmt pal8
cut_and_compare "$work/palette.avi" 0
finish
