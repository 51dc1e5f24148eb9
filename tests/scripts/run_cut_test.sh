#!/usr/bin/env bash
# Movies Wine cannot show, run through run.sh into the real program: frame 10
# cut from each is ffmpeg's own decode of frame 10. Needs a display (DISPLAY).
source "$(dirname "$0")/lib.sh"

: "${DISPLAY:?the program needs a display}"
demo=$root/build/i686/tools/velmodemo.exe

# cut_frame_10 <movie> <output folder>: runs the program on the movie as a
# user would, cuts frame 10 and closes it.
cut_frame_10() {
  prepare -o "$2" "$1"
  "$run_sh" --no-build -o "$2" "$1" &
  local program=$!
  "$root/scripts/wine-run" "$demo" cut "$(unix_to_windows "$2")" 10 10 || true
  "$root/scripts/wine-run" "$demo" close || true
  wait "$program" || true
}
unix_to_windows() { echo "Z:${1//\//\\}"; }
# prepare <run.sh arguments...>: converts the movie first, so that the program
# the driver then waits for starts on a copy made already, however long the
# conversion took on this machine.
prepare() { "$run_sh" --prepare-only "$@" >/dev/null; }

# The peak difference of two pictures, from 0 to 65535.
peak_difference() {
  compare -metric PAE "$1" "$2" null: 2>&1 | cut -d' ' -f1 || true
}

# difference_from_frame <movie> <frame> <BMP file>: the peak difference of the
# file's picture from ffmpeg's own decode of that frame (orientation included).
difference_from_frame() {
  ffmpeg -nostdin -v error -y -i "$1" -vf "select=eq(n\\,$2)" -frames:v 1 -pix_fmt rgb24 "$work/expected.png"
  ffmpeg -nostdin -v error -y -i "$3" -pix_fmt rgb24 "$work/cut.png"
  peak_difference "$work/expected.png" "$work/cut.png" | cut -d' ' -f1
}

# cut_and_compare <movie>: frame 10 cut through run.sh is exactly ffmpeg's
# decode of frame 10, not frame 11.
cut_and_compare() {
  local movie=$1 name out difference
  name=$(basename "$movie")
  out=$work/out-${name%.*}
  cut_frame_10 "$movie" "$out"
  if [ ! -f "$out/000A.BMP" ]; then
    fail "$name: frame 10 is cut"
    return
  fi
  difference=$(difference_from_frame "$movie" 10 "$out/000A.BMP")
  echo "$name: peak difference from ffmpeg's frame 10: $difference of 65535"
  check "$name: the cut frame 10 is ffmpeg's frame 10" test "$difference" = 0
  check "$name: and not frame 11" test "$(difference_from_frame "$movie" 11 "$out/000A.BMP")" -gt 1024
}

MOVIE_SIZE=320x240
make_movie "$work/in folder/mjpeg.avi" -c:v mjpeg -q:v 4
cut_and_compare "$work/in folder/mjpeg.avi"
make_movie "$work/in folder/h264.mp4" -c:v libx264 -pix_fmt yuv420p -bf 2
cut_and_compare "$work/in folder/h264.mp4"

# A phone-style movie whose picture is to be shown turned a quarter: cut
# upright, 240 wide and 320 high, exactly as ffmpeg decodes it.
ffmpeg -nostdin -v error -y -i "$work/in folder/h264.mp4" -c copy -metadata:s:v:0 rotate=90 "$work/rotated.mp4"
cut_and_compare "$work/rotated.mp4"
check "the rotated movie is cut upright" \
  test "$(identify -format %wx%h "$work/out-rotated/000A.BMP" 2>/dev/null)" = 240x320
# 8-bit rows stored top-down, as ffmpeg writes raw palette video.
make_movie "$work/palette.avi" -c:v rawvideo -pix_fmt pal8
cut_and_compare "$work/palette.avi"

# 4:2:0 pictures of an odd size: turned bottom-up only once converted to RGB,
# as ffmpeg's own decode converts them (turned first, rows pair with other
# chroma rows).
MOVIE_SIZE=322x244 make_movie "$work/odd size.avi" -vf format=rgb24,crop=321:243:0:0,noise=alls=20:allf=t \
  -c:v ffv1 -pix_fmt yuv420p
cut_and_compare "$work/odd size.avi"

# Pictures tagged as BT.709 in full range: converted with the matrix and range
# the movie gives, as ffmpeg converts them.
make_movie "$work/bt709.mp4" -c:v libx264 -pix_fmt yuvj420p -colorspace bt709 -color_primaries bt709 \
  -color_trc bt709 -color_range pc
cut_and_compare "$work/bt709.mp4"

# A stretch of a longer movie (--from 1.5: frames from 38, at 1.52 s): the
# program opens on its first frame, names cuts with the movie's own frame
# numbers, each exactly ffmpeg's decode of that frame, and refuses to cut the
# empty frames before the stretch rather than write whatever the device shows.
MOVIE_FRAMES=60 make_movie "$work/long.mp4" -c:v libx264 -pix_fmt yuv420p -bf 2
out=$work/out-stretch
prepare -o "$out" --from 1.5 "$work/long.mp4" 2>"$work/stretch.err"
"$run_sh" --no-build -o "$out" --from 1.5 "$work/long.mp4" 2>/dev/null &
program=$!
"$root/scripts/wine-run" "$demo" cut "$(unix_to_windows "$out")" 38 40 38 || true
check "the stretch is announced with its frames" grep -q 'holds frames 38 to 59' "$work/stretch.err"
for frame in 38 39 40; do
  file=$out/$(printf '%04X.BMP' "$frame")
  if [ -f "$file" ]; then
    check "stretch: $(basename "$file") is exactly frame $frame" test "$(difference_from_frame "$work/long.mp4" "$frame" "$file")" = 0
  else
    fail "stretch: frame $frame is cut as $(basename "$file")"
  fi
done
"$root/scripts/wine-run" "$demo" command 105 || true  # the first frame, empty in the copy
"$root/scripts/wine-run" "$demo" command 24322 || true  # cut it
message=$("$root/scripts/wine-run" "$demo" message | iconv -f CP932 -t UTF-8 || true)
check "cutting an empty frame before the stretch is refused with a message" grep -q 'こま 38 より前' <<<"$message"
"$root/scripts/wine-run" "$demo" close || true
wait "$program" || true
check "and writes no file" test ! -e "$out/0000.BMP"
finish
