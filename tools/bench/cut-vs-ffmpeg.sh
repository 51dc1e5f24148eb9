#!/usr/bin/env bash
# Times velmo32's continuous cut of every frame of an uncompressed movie against
# ffmpeg extracting the same frames to BMP files, at 320x240, 640x480 and
# 1280x720 (300 frames each), on a private 24-bit virtual display. Run by hand:
#   tools/bench/cut-vs-ffmpeg.sh [build-dir] [repeats]
# VELMO_BENCH_SIZES and VELMO_BENCH_FRAMES change the movies for a quick look.
# The build directory (default build/i686) must be configured; velmo32, cutbench
# and makeavi are built in it. Prints frames per second (min/median/max), the
# ratio program/ffmpeg, and two floors measured in the same run: that of the cut
# through the screen (showing a frame and copying it from the screen), and the
# physical floor of the cut from the file (copying the same number of bytes of
# the movie into the same number of files, natively). The program is timed on
# both of its paths: through the screen (the build velmo32_screencut, which cuts
# every frame that way) and from the file, which it takes for these
# uncompressed movies.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/i686}" && pwd)
repeats=${2:-5}
frames=${VELMO_BENCH_FRAMES:-300}
read -r -a sizes <<<"${VELMO_BENCH_SIZES:-320x240 640x480 1280x720}"

if ! command -v ffmpeg >/dev/null; then
  echo "cut-vs-ffmpeg: ffmpeg is missing: run scripts/setup.sh (or apt-get install ffmpeg)" >&2
  exit 1
fi
cmake --build "$build" --target velmo32 velmo32_screencut cutbench makeavi >/dev/null

work=$(mktemp -d "$build/bench-XXXXXX")
g++ -O2 -o "$work/copyfloor" "$root/tools/bench/copyfloor.cpp"
fifo=$work/display
mkfifo "$fifo"
# Large enough for the main window to show a 1280x720 movie whole.
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; WINEPREFIX=$VELMO_WINE_ROOT/prefix24 wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
read -r -t 20 number <"$fifo"
export VELMO_DISPLAY_24=:$number VELMO_DISPLAY_SESSION="bench-$$-$(date +%s%N)"
export VELMO_WINE_ROOT=$build/bench-wine
run() { "$root/scripts/wine-run" "$@"; }
winpath() { echo "Z:${1//\//\\}"; }

# summary <values...>: "min median max" of the numbers.
summary() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {printf "%8.1f %8.1f %8.1f", v[1], v[int((NR+1)/2)], v[NR]}'; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

table=()
for size in "${sizes[@]}"; do
  movie=$work/movie-$size.avi
  run "$build/tools/makeavi.exe" "$(winpath "$movie")" --size "$size" --frames $frames >/dev/null

  ffmpeg_fps=()
  for ((i = 0; i < repeats; ++i)); do
    rm -rf "$work/ffmpeg-out" && mkdir "$work/ffmpeg-out"
    start=$(date +%s.%N)
    ffmpeg -nostdin -v error -i "$movie" -f image2 "$work/ffmpeg-out/%04d.bmp"
    end=$(date +%s.%N)
    [ "$(ls "$work/ffmpeg-out" | wc -l)" = $frames ] || { echo "ffmpeg did not write $frames files" >&2; exit 1; }
    ffmpeg_fps+=("$(awk -v n=$frames -v a="$start" -v b="$end" 'BEGIN {print n / (b - a)}')")
  done
  rm -rf "$work/ffmpeg-out"

  out=$(run "$build/tools/bench/cutbench.exe" movie "$(winpath "$movie")" $frames "$repeats" screen | tr -d '\r')
  screen_fps=($(awk '$1 == "cut" {print $2}' <<<"$out"))
  read -r show copy < <(awk '$1 == "floor" {print $2, $3}' <<<"$out")
  [ ${#screen_fps[@]} = "$repeats" ] && [ -n "$show" ] || { echo "cutbench failed at $size:" >&2; echo "$out" >&2; exit 1; }
  out=$(run "$build/tools/bench/cutbench.exe" movie "$(winpath "$movie")" $frames "$repeats" | tr -d '\r')
  file_fps=($(awk '$1 == "cut" {print $2}' <<<"$out"))
  [ ${#file_fps[@]} = "$repeats" ] || { echo "cutbench failed at $size:" >&2; echo "$out" >&2; exit 1; }

  # A 32-bit file of the picture, as the program writes on this display.
  read -r width height <<<"${size/x/ }"
  file_bytes=$((54 + 4 * width * height))
  floor_fps=()
  for ((i = 0; i < repeats; ++i)); do
    rm -rf "$work/floor-out" && mkdir "$work/floor-out"
    start=$(date +%s.%N)
    "$work/copyfloor" "$movie" $frames $file_bytes "$work/floor-out"
    end=$(date +%s.%N)
    floor_fps+=("$(awk -v n=$frames -v a="$start" -v b="$end" 'BEGIN {print n / (b - a)}')")
  done
  rm -rf "$work/floor-out"

  ffmpeg_median=$(median "${ffmpeg_fps[@]}")
  screen=$(median "${screen_fps[@]}")
  file=$(median "${file_fps[@]}")
  floor=$(median "${floor_fps[@]}")
  table+=("$(printf '%-9s %s   %s %4.2f   %s %4.2f   %s %4.2f   %6.1f' "$size" \
    "$(summary "${ffmpeg_fps[@]}")" \
    "$(summary "${screen_fps[@]}")" "$(awk -v p="$screen" -v f="$ffmpeg_median" 'BEGIN {print p / f}')" \
    "$(summary "${file_fps[@]}")" "$(awk -v p="$file" -v f="$ffmpeg_median" 'BEGIN {print p / f}')" \
    "$(summary "${floor_fps[@]}")" "$(awk -v p="$file" -v f="$floor" 'BEGIN {print p / f}')" \
    "$(awk -v s="$show" -v c="$copy" 'BEGIN {print 1000 / (s + c)}')")")
done

echo "$frames frames per movie, $repeats runs each; frames per second min / median / max"
echo "          ------- ffmpeg ---------   ---- velmo32, screen ----- /ffm   ----- velmo32, file ------ /ffm   ---- copy floor (native) -- file/floor   screen floor"
printf '%s\n' "${table[@]}"
