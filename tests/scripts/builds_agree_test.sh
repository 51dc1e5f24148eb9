#!/usr/bin/env bash
# The 32-bit program and its 64-bit build, each run by run.sh, cut the same
# frames of the same movies into the same files, byte for byte: uncompressed,
# MS Video 1 with key frames apart, our lossless VLM1, and a served H.264 movie
# with B-frames. Needs a display (DISPLAY) and both builds.
source "$(dirname "$0")/lib.sh"

: "${DISPLAY:?the program needs a display}"
builds=(i686 x86_64)
for arch in "${builds[@]}"; do
  [ -f "$root/build/$arch/app/velmo32.exe" ] ||
    { echo "FAILED: build/$arch is not built (scripts/test.sh builds both)"; exit 1; }
done
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "skipped: this machine runs no 32-bit programs, not even through qemu"
  exit 77
fi

# Frames 3 to 12 of 30 at 320x240, the pattern moving in every frame.
first=3 last=12
raw_frames() {
  ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=320x240:rate=25 -frames:v 30 -vf vflip -pix_fmt "$1" -f rawvideo -
}
mkdir -p "$work/movies"
raw_frames bgra | "$root/build/host/rawavi" "$work/movies/uncompressed.avi" --size 320x240 --fps 25 --bits 32
raw_frames bgr24 | "$root/build/host/rawavi" "$work/movies/vlm1.avi" --size 320x240 --fps 25 --bits 24 --coded
MOVIE_SIZE=320x240 make_movie "$work/movies/msvideo1.avi" -c:v msvideo1 -g 5
MOVIE_SIZE=320x240 make_movie "$work/movies/h264.mp4" -c:v libx264 -bf 2 -g 8 -pix_fmt yuv420p

# cut <arch> <movie> <output folder>: run.sh runs that build on the movie, and
# the build's own driver cuts the frames.
cut() {
  local runner status=0
  VELMO_ARCH=$1 "$run_sh" --no-build -o "$3" "$2" 2>"$work/run.err" &
  runner=$!
  "$root/scripts/wine-run" "$root/build/$1/tools/velmodemo.exe" cut "Z:${3//\//\\}" "$first" "$last" || status=$?
  "$root/scripts/wine-run" "$root/build/$1/tools/velmodemo.exe" close || true
  wait "$runner" || status=$?
  return "$status"
}

for movie in "$work"/movies/*; do
  kind=$(basename "${movie%.*}")
  for arch in "${builds[@]}"; do
    mkdir -p "$work/out/$arch/$kind"
    cut "$arch" "$movie" "$work/out/$arch/$kind" || fail "$arch cuts frames $first-$last of the $kind movie"
  done
  count=$(find "$work/out/i686/$kind" -name '*.BMP' | wc -l)
  check "the $kind movie: all $((last - first + 1)) frames cut" test "$count" = $((last - first + 1))
  check "the $kind movie: the 64-bit build's files are the 32-bit program's" \
    diff -r "$work/out/i686/$kind" "$work/out/x86_64/$kind"
done
finish
