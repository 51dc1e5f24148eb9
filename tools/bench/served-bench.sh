#!/usr/bin/env bash
# Served movies in figures, as a markdown table, on a private 24-bit virtual
# display large enough for a 1080p picture at its own size:
#   - scripts/run.sh from its start to the program showing the movie, for a
#     10-minute 1080p H.264 movie (an empty cache: velmoserve indexes it; then
#     again with its index made) against a movie that plays directly (the sample
#     movie, an AVI);
#   - the Right key held on the 1080p movie (frames a second), and playback;
#   - a step back and jumps to random frames (ms until the screen shows another
#     picture);
#   - a cut of 300 frames from the middle through the program against
#     `ffmpeg -ss T -i movie -frames:v 300 out/%04d.bmp`;
#   - the server's memory (resident now and at its peak).
# Run by hand, with the program built:
#   tools/bench/served-bench.sh [--repeats N] [--direct-only] [--cold] [movie]
# VELMO_BENCH_OUT=<folder> puts the files of the cuts there (a RAM disk such
# as /dev/shm leaves the disk's write-back out). --direct-only times only run.sh to the window of the AVI that plays
# directly. --cold times Wine's start too, as a user who starts run.sh sees
# it: the prefix's Wine server is ended before each run, and the watcher starts
# beside run.sh rather than before it. The build timed is the one run.sh runs here (scripts/program-arch),
# or VELMO_ARCH's.
# The 10-minute movie (testsrc2, 1920x1080 at 25/s, a key frame every 10 s,
# B-frames) is made once into build/bench-movies unless a movie is given.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
repeats=3 direct_only=0 time_wine_start=0
while [ $# -gt 0 ]; do
  case $1 in
    --repeats) repeats=$2; shift 2 ;;
    --direct-only) direct_only=1; shift ;;
    --cold) time_wine_start=1; shift ;;
    *) break ;;
  esac
done
export VELMO_ARCH=${VELMO_ARCH:-$("$root/scripts/program-arch")}
build=$root/build/$VELMO_ARCH
cmake --build "$build" --target servedbench sample_movie >/dev/null
bench=$build/tools/bench/servedbench.exe
direct=$build/sample/sample.avi

if [ "$direct_only" = 1 ]; then
  movie=$direct
elif [ $# -ge 1 ]; then
  movie=$(realpath -- "$1")
else
  movie=$root/build/bench-movies/h264-1080p-10min.mp4
  if [ ! -f "$movie" ]; then
    mkdir -p "$(dirname "$movie")"
    echo "served-bench: making $movie (once)" >&2
    ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1920x1080:rate=25 -t 600 -c:v libx264 -preset ultrafast \
      -bf 3 -g 250 -pix_fmt yuv420p "$movie.part.mp4"
    mv "$movie.part.mp4" "$movie"
  fi
fi
frames=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$movie")
rate=$(ffprobe -v error -select_streams v:0 -show_entries stream=avg_frame_rate -of csv=p=0 "$movie")

work=$(mktemp -d "$root/build/served-bench-XXXXXX")
fifo=$work/display
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 2560x1600x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
export VELMO_WINE_ROOT=$root/build/bench-wine
# The display has no window manager: Wine must not wait for one (two seconds
# each time a window hides, the go-to dialog of every jump among them).
export VELMO_WINE_UNMANAGED=1
runner=
stop_program() {
  [ -z "$runner" ] || { kill -- -"$runner" 2>/dev/null || true; wait "$runner" 2>/dev/null || true; }
  runner=
  # Ended, and waited for: Wine going down beside a timed ffmpeg would slow it.
  WINEPREFIX=$VELMO_WINE_ROOT/prefix24 wineserver -k 2>/dev/null || true
  WINEPREFIX=$VELMO_WINE_ROOT/prefix24 wineserver -w 2>/dev/null || true
}
trap 'stop_program; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
read -r -t 20 number <"$fifo"
export DISPLAY=:$number VELMO_DISPLAY_24=:$number VELMO_DISPLAY_SESSION="served-bench-$$"
wine() { "$root/scripts/wine-run" "$@"; }
winpath() { echo "Z:${1//\//\\}"; }
files=$(mktemp -d "${VELMO_BENCH_OUT:-$work}/served-bench-files-XXXXXX")
trap 'stop_program; kill $xvfb 2>/dev/null; rm -rf "$work" "$files"' EXIT
mkdir -p "$files/out" "$files/ffmpeg"

median() { sort -g | awk '{ v[NR] = $1 } END { printf "%.2f\n", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# to_window <movie> [run.sh options...]: took = seconds from run.sh's start to
# the program showing the movie; the program is left running (runner: its
# process group).
to_window() {
  local movie=$1 start shown watcher
  shift
  if [ "$time_wine_start" = 1 ]; then
    start=$EPOCHREALTIME
    setsid "$root/scripts/run.sh" "$@" -o "$files/out" "$movie" >"$work/run.log" 2>&1 &
    runner=$!
    wine "$bench" window >"$work/watch.out" &
    watcher=$!
  else
    wine "$bench" window >"$work/watch.out" &
    watcher=$!
    # Wine's own start is not timed.
    until grep -q '^ready' "$work/watch.out"; do sleep 0.01; done
    start=$EPOCHREALTIME
    setsid "$root/scripts/run.sh" "$@" -o "$files/out" "$movie" >"$work/run.log" 2>&1 &
    runner=$!
  fi
  while ! grep -q '^window' "$work/watch.out"; do
    kill -0 "$runner" 2>/dev/null || { kill "$watcher"; cat "$work/run.log" >&2; exit 1; }
    sleep 0.01
  done
  wait "$watcher"
  shown=$(sed -n 's/^window //p' "$work/watch.out" | tr -d '\r')
  took=$(echo "$shown - $start" | bc)
}

# A first run builds what run.sh needs and prepares the prefix, untimed.
VELMO_CACHE_DIR=$work/warm to_window "$direct"
stop_program

cold=() warm=() directs=()
for ((r = 1; r <= repeats; r++)); do
  export VELMO_CACHE_DIR=$work/cache
  rm -rf "$VELMO_CACHE_DIR"
  if [ "$direct_only" = 0 ]; then
    to_window "$movie" --no-build
    cold+=("$took")
    stop_program
    to_window "$movie" --no-build
    warm+=("$took")
    stop_program
  fi
  to_window "$direct" --no-build
  directs+=("$took")
  stop_program
  echo "served-bench: repeat $r: ${cold:+cold ${cold[-1]} s, indexed ${warm[-1]} s, }direct ${directs[-1]} s" >&2
done
list() { printf '%.2f ' "$@" | sed 's/ $//'; }
if [ "$direct_only" = 1 ]; then
  echo "| $VELMO_ARCH build: run.sh to the window, $(basename -- "$direct") playing directly$([ "$time_wine_start" = 0 ] || echo ", Wine's start included") (s) |" \
    "$(printf '%s\n' "${directs[@]}" | median) ($(list "${directs[@]}")) |"
  exit 0
fi

# One run on the movie for the rest.
to_window "$movie" --no-build
session=$(wine "$bench" session "$frames" "$(winpath "$files/out")" | tr -d '\r')
echo "$session" >&2
server=$(pgrep -x -s "$runner" velmoserve | head -n 1 || true)
memory=$( [ -n "$server" ] && awk '/^VmRSS|^VmHWM/ { printf "%s %d MB ", $1, $2 / 1024 }' "/proc/$server/status" || echo "no server")
stop_program

from=$(sed -n 's/^cut-300-s .* from \([0-9]*\)$/\1/p' <<<"$session")
start=$EPOCHREALTIME
ffmpeg -nostdin -v error -ss "$(echo "scale=6; $from / ($rate)" | bc)" -i "$movie" -frames:v 300 "$files/ffmpeg/%04d.bmp"
ffmpeg_cut=$(echo "$EPOCHREALTIME - $start" | bc)

figure() { sed -n "s/^$1 //p" <<<"$session"; }
echo "| $(basename -- "$movie"): $frames frames | figure |"
echo "|---|---|"
echo "| run.sh to the window, empty cache (s) | $(printf '%s\n' "${cold[@]}" | median) ($(list "${cold[@]}")) |"
echo "| run.sh to the window, indexed (s) | $(printf '%s\n' "${warm[@]}" | median) ($(list "${warm[@]}")) |"
echo "| run.sh to the window, $(basename -- "$direct") playing directly (s) | $(printf '%s\n' "${directs[@]}" | median) ($(list "${directs[@]}")) |"
echo "| Right key held (frames/s) | $(figure held-right-fps) |"
echo "| playback, 8 s from a quarter in (frames/s the position moves, pictures/s seen on the screen) | $(figure play-fps) |"
echo "| step back (ms) | $(figure step-back-ms) |"
echo "| jump to a random frame (ms) | $(figure jump-ms) |"
echo "| 300-frame range cut from the middle, program (s) | $(figure cut-300-s) |"
echo "| the same 300 frames, ffmpeg -ss T -frames:v 300 to BMP (s) | $(printf '%.2f' "$ffmpeg_cut") |"
echo "| velmoserve memory | $memory |"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
