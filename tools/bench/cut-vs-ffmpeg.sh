#!/usr/bin/env bash
# Times velmo32's continuous cut of every frame of a movie against ffmpeg
# extracting the same frames to BMP files, on a private 24-bit virtual display,
# and prints the figures as markdown tables, each with the load average (1, 5,
# 15 minutes) when it was taken. Run by hand:
#   tools/bench/cut-vs-ffmpeg.sh [build-dir] [repeats]
# The build directory (default build/i686) must be configured; velmo32,
# velmo32_screencut, cutbench and makeavi are built in it.
#
# 1. Uncompressed movies at 320x240, 640x480 and 1280x720 (300 frames each):
#    ffmpeg; the program through the screen (the build velmo32_screencut, which
#    cuts every frame that way); the program from the file, which it takes for
#    these movies; the physical floor of the cut from the file (copying the same
#    number of bytes of the movie into the same number of files, natively); and
#    the floor of the cut through the screen (showing a frame and copying it
#    from the screen, as cutbench measures it). Each repeat runs every way
#    once, in turn.
# 2. With VELMO_BENCH_BEFORE=<build dir of an older program>: the cut through
#    the screen of an MS Video 1 movie (320x240, 300 frames) by that build and
#    by this one, strictly alternating, one run of each at a time.
# 3. With VELMO_BENCH_GROWTH=1: 1,000 against 10,000 frames at 320x240 from the
#    file and through the screen into an empty folder (movies of dropped frames, so that they fit in
#    little room: only every tenth frame has a picture of its own), the copy
#    floor for as many files (the disk's own share of any growth), and the
#    program's peak memory over its size before the cut. The 10,000 files take
#    3 GB while the cut runs; each cut's files are removed after it.
# VELMO_BENCH_SIZES and VELMO_BENCH_FRAMES change the movies of part 1.
# VELMO_BENCH_OUT=<folder> puts every file the cuts, ffmpeg and the floor write
# there (by default a folder in the build directory): on a RAM disk such as
# /dev/shm the disk's write-back, which varies much on shared machines, drops
# out and the costs of the programs themselves remain.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/i686}" && pwd)
repeats=${2:-5}
frames=${VELMO_BENCH_FRAMES:-300}
read -r -a sizes <<<"${VELMO_BENCH_SIZES:-320x240 640x480 1280x720}"
before=${VELMO_BENCH_BEFORE:+$(cd "$VELMO_BENCH_BEFORE" && pwd)}

if ! command -v ffmpeg >/dev/null; then
  echo "cut-vs-ffmpeg: ffmpeg is missing: run scripts/setup.sh (or apt-get install ffmpeg)" >&2
  exit 1
fi
cmake --build "$build" --target velmo32 velmo32_screencut cutbench makeavi >/dev/null

work=$(mktemp -d "$build/bench-XXXXXX")
outdir=$(mktemp -d "${VELMO_BENCH_OUT:-$work}/out-XXXXXX")
g++ -O2 -o "$work/copyfloor" "$root/tools/bench/copyfloor.cpp"
fifo=$work/display
mkfifo "$fifo"
# Large enough for the main window to show a 1280x720 movie whole.
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; WINEPREFIX=$VELMO_WINE_ROOT/prefix24 wineserver -k 2>/dev/null; rm -rf "$outdir" "$work"' EXIT
read -r -t 20 number <"$fifo"
export VELMO_DISPLAY_24=:$number VELMO_DISPLAY_SESSION="bench-$$-$(date +%s%N)"
export VELMO_WINE_ROOT=$build/bench-wine
run() { "$root/scripts/wine-run" "$@"; }
winpath() { echo "Z:${1//\//\\}"; }
export VELMO_BENCH_FOLDER="$(winpath "$outdir")\\"

load() { cut -d' ' -f1-3 /proc/loadavg | tr ' ' '/'; }
# figure <values...>: "median (min–max)" of the numbers.
figure() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {printf "%.0f (%.0f–%.0f)", v[int((NR+1)/2)], v[1], v[NR]}'; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
# fps <frames> <command...>: frames per second of the command.
fps() {
  local n=$1 start end
  shift
  start=$(date +%s.%N)
  "$@"
  end=$(date +%s.%N)
  awk -v n="$n" -v a="$start" -v b="$end" 'BEGIN {print n / (b - a)}'
}
# Every figure is the second of two runs in a row, the first run's files
# removed just before it: the memory the second run's files take was just
# freed. On virtual machines memory left free for a few seconds goes back to
# the host, and taking it again costs several times a copy, so without this
# a figure depends mostly on how long the machine stood idle before it.
# warm_fps <frames> <folder> <command...>: frames per second of the command's
# second run, the folder emptied before each.
warm_fps() {
  local n=$1 folder=$2
  shift 2
  rm -rf "$folder" && mkdir "$folder"
  "$@"
  rm -rf "$folder" && mkdir "$folder"
  fps "$n" "$@"
  local count
  count=$(find "$folder" -type f | wc -l)
  rm -rf "$folder"
  [ "$count" = "$n" ] || { echo "$* wrote $count files, not $n" >&2; exit 1; }
}
# cutbench <build dir> <movie> <frames> <repeats> [screen]: its output.
cutbench() {
  local out
  out=$(run "$1/tools/bench/cutbench.exe" movie "$(winpath "$2")" "$3" "$4" ${5:-} | tr -d '\r')
  [ "$(grep -c '^cut ' <<<"$out")" = "$4" ] || { echo "cutbench ($1) failed on $2:" >&2; echo "$out" >&2; exit 1; }
  echo "$out"
}
# The figures of the cuts, or of the last one, in cutbench's output.
cuts() { awk '$1 == "cut" {print $2}' <<<"$1"; }
last_cut() { cuts "$1" | tail -n 1; }

echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GB", $2 / 1048576}' /proc/meminfo); $(wine --version)."
echo "Frames per second, median (min–max) of $repeats runs, the ways taking turns; the load average (1/5/15 min) at the start and end."
echo
echo "| $frames frames | ffmpeg | velmo32, screen (÷ ffmpeg) | velmo32, file (÷ ffmpeg) | copy floor, native (file ÷ floor) | screen floor | load average |"
echo "|---|---|---|---|---|---|---|"
for size in "${sizes[@]}"; do
  movie=$work/movie-$size.avi
  run "$build/tools/makeavi.exe" "$(winpath "$movie")" --size "$size" --frames "$frames" >/dev/null

  # One run of each in turn, so that every way meets the same state of the
  # machine (its memory and disk change much between runs on shared hosts).
  read -r width height <<<"${size/x/ }"
  ffmpeg_fps=() screen_fps=() file_fps=() floor_fps=() loads=()
  for ((i = 0; i < repeats; ++i)); do
    loads+=("$(load)")
    ffmpeg_fps+=("$(warm_fps "$frames" "$outdir/ffmpeg-out" \
      ffmpeg -nostdin -v error -i "$movie" -f image2 "$outdir/ffmpeg-out/%04d.bmp")")
    out=$(cutbench "$build" "$movie" "$frames" 2 screen)
    screen_fps+=("$(last_cut "$out")")
    read -r show copy < <(awk '$1 == "floor" {print $2, $3}' <<<"$out")
    file_fps+=("$(last_cut "$(cutbench "$build" "$movie" "$frames" 2)")")
    # A 32-bit file of the picture, as the program writes on this display.
    floor_fps+=("$(warm_fps "$frames" "$outdir/floor-out" \
      "$work/copyfloor" "$movie" "$frames" $((54 + 4 * width * height)) "$outdir/floor-out")")
  done
  rm -f "$movie"

  ffmpeg_median=$(median "${ffmpeg_fps[@]}")
  file_median=$(median "${file_fps[@]}")
  echo "| $size | $(figure "${ffmpeg_fps[@]}")" \
    "| $(figure "${screen_fps[@]}") ($(ratio "$(median "${screen_fps[@]}")" "$ffmpeg_median"))" \
    "| $(figure "${file_fps[@]}") ($(ratio "$file_median" "$ffmpeg_median"))" \
    "| $(figure "${floor_fps[@]}") ($(ratio "$file_median" "$(median "${floor_fps[@]}")"))" \
    "| $(awk -v s="$show" -v c="$copy" 'BEGIN {printf "%.0f", 1000 / (s + c)}') | ${loads[0]} to $(load) |"
done

if [ -n "$before" ]; then
  cmake --build "$before" --target velmo32 cutbench >/dev/null
  # The test pattern, each pattern pixel an 8x8 square, which MS Video 1 keeps
  # in flat blocks.
  pattern=$work/pattern.avi
  movie=$work/msvc.avi
  run "$build/tools/makeavi.exe" "$(winpath "$pattern")" --size 40x30 --frames "$frames" >/dev/null
  ffmpeg -nostdin -v error -y -i "$pattern" -vf scale=320:240:flags=neighbor -c:v msvideo1 "$movie"
  old=()
  new=()
  loads=()
  # Both write into Wine's temporary folder, the only one an older build knows.
  for ((i = 0; i < repeats; ++i)); do
    loads+=("$(load)")
    old+=("$(unset VELMO_BENCH_FOLDER && last_cut "$(cutbench "$before" "$movie" "$frames" 2)")")
    new+=("$(unset VELMO_BENCH_FOLDER && last_cut "$(cutbench "$build" "$movie" "$frames" 2)")")
  done
  rm -f "$pattern" "$movie"
  echo
  echo "| MS Video 1, 320x240, $frames frames, through the screen | before | after | after ÷ before | load averages |"
  echo "|---|---|---|---|---|"
  echo "| alternating, one run each | $(figure "${old[@]}") | $(figure "${new[@]}")" \
    "| $(ratio "$(median "${new[@]}")" "$(median "${old[@]}")") | ${loads[*]} |"
  echo
  echo "Before: the build in $before."
fi

if [ -n "${VELMO_BENCH_GROWTH:-}" ]; then
  echo
  echo "| 320x240 into an empty folder | velmo32 from the file, ms per frame | velmo32 through the screen, ms per frame | copy floor, ms per file | load average | velmo32's memory before the cut → peak (MB) |"
  echo "|---|---|---|---|---|---|"
  per_frame() { awk -v f="$(last_cut "$1")" 'BEGIN {printf "%.2f", 1000 / f}'; }
  ms=()
  screen_ms=()
  floor_ms=()
  for count in 1000 10000; do
    movie=$work/growth-$count.avi
    run "$build/tools/makeavi.exe" "$(winpath "$movie")" --size 320x240 --frames $count --picture-every 10 >/dev/null
    growth_load=$(load)
    out=$(cutbench "$build" "$movie" $count 2)
    ms+=("$(per_frame "$out")")
    read -r idle peak < <(awk '$1 == "memory" {print $2, $3}' <<<"$out")
    screen_ms+=("$(per_frame "$(cutbench "$build" "$movie" $count 2 screen)")")
    # The disk's own share of the growth: as many files written natively.
    floor_ms+=("$(awk -v f="$(warm_fps $count "$outdir/floor-out" \
      "$work/copyfloor" "$movie" $count $((54 + 4 * 320 * 240)) "$outdir/floor-out")" 'BEGIN {printf "%.2f", 1000 / f}')")
    rm -f "$movie"
    echo "| $count frames | ${ms[-1]} | ${screen_ms[-1]} | ${floor_ms[-1]} | $growth_load | $idle → $peak |"
  done
  growth() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%+.0f %%", 100 * (b / a - 1)}'; }
  echo "| growth per frame | $(growth "${ms[@]}") | $(growth "${screen_ms[@]}") | $(growth "${floor_ms[@]}") | | |"
fi
