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

MOVIE_SIZE=320x240
for movie in "$work/in folder/mjpeg.avi" "$work/in folder/h264.mp4"; do
  case $movie in
    *.avi) make_movie "$movie" -c:v mjpeg -q:v 4 ;;
    *.mp4) make_movie "$movie" -c:v libx264 -pix_fmt yuv420p -bf 2 ;;
  esac
  name=$(basename "$movie")
  out=$work/out-${name%.*}
  cut_frame_10 "$movie" "$out"
  if [ ! -f "$out/000A.BMP" ]; then
    fail "$name: frame 10 is cut"
    continue
  fi
  ffmpeg -nostdin -v error -y -i "$movie" -vf 'select=eq(n\,10)' -frames:v 1 -pix_fmt rgb24 "$out/expected.png"
  ffmpeg -nostdin -v error -y -i "$out/000A.BMP" -pix_fmt rgb24 "$out/cut.png"
  ffmpeg -nostdin -v error -y -i "$movie" -vf 'select=eq(n\,11)' -frames:v 1 -pix_fmt rgb24 "$out/next.png"
  difference=$(peak_difference "$out/expected.png" "$out/cut.png")
  echo "$name: peak difference from ffmpeg's frame 10: $difference of 65535"
  check "$name: the cut frame 10 is ffmpeg's frame 10" test "${difference%.*}" -le 1024
  check "$name: and not frame 11" test "$(peak_difference "$out/next.png" "$out/cut.png" | cut -d. -f1)" -gt 1024
done
finish
