#!/usr/bin/env bash
# Served movies end to end: a tiny movie of each kind made with ffmpeg, prepared
# by velmoserve, its frames decoded by ffmpeg as references, and the Wine test
# program (served_movie_test.cpp) run against a velmoserve server with a fresh
# secret, which ends with the test; a spare server is there for the test to kill.
#   run_served_movie_test.sh <served_movie_program.exe> [GoogleTest options...]
# Needs a display (a CTest display slot). Builds the host project (build/host)
# first when it is missing or out of date (scripts/build-server).
source "$(dirname "$0")/../scripts/lib.sh"

program=${1:?the Wine test program}
shift
: "${DISPLAY:?the program needs a display}"

# The host project, built when missing or out of date.
"$root/scripts/build-server" || { echo "FAILED: cannot build the host project"; exit 1; }
host=$root/build/host
velmoserve=$host/velmoserve

# Servers end when the test does: their input closes, and the trap ends any
# that is still there.
servers=() server_inputs=()
stop_servers() {
  local pid
  for pid in "${servers[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap 'stop_servers; rm -rf "$work"' EXIT

# start_server <name>: velmoserve serve with a secret of its own; sets
# server_address, server_pid and server_secret once it listens.
start_server() {
  local name=$1 input fd port
  input=$work/$name.in
  mkfifo "$input"
  server_secret=$(od -An -tx1 -N32 /dev/urandom | tr -d ' \n')
  VELMO_FRAME_SECRET=$server_secret "$velmoserve" serve <"$input" >"$work/$name.out" 2>"$work/$name.err" &
  server_pid=$!
  servers+=("$server_pid")
  # Held open for as long as the test runs: the server reads its end.
  exec {fd}>"$input"
  server_inputs+=("$fd")
  until port=$(sed -n 's/^port=\([0-9]\+\)$/\1/p' "$work/$name.out") && [ -n "$port" ]; do
    kill -0 "$server_pid" 2>/dev/null || { echo "FAILED: velmoserve serve ended:"; cat "$work/$name.err"; exit 1; }
    sleep 0.05
  done
  server_address=127.0.0.1:$port
}

# add_movie <kind> <file> <ffmpeg output options...>: makes the movie (about
# 2.4 s of the test source at 160x120, key frames 12 apart), prepares it, and
# lists it for the test program with ffmpeg's decode of every frame.
movies=$work/movies.txt
: >"$movies"
add_movie() {
  local kind=$1 file=$work/movies/$2 rate=${RATE:-25} playable decoded frames n expected
  shift 2
  mkdir -p "$work/movies"
  ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=160x120:rate=$rate" -t 2.4 "$@" "$file"
  if ! "$velmoserve" prepare "$file" >"$work/$kind.prepared" 2>"$work/$kind.refusal"; then
    printf '%s\trefused\t%s\n' "$kind" "$(tr '\n' ' ' <"$work/$kind.refusal")" >>"$movies"
    fail "$kind: velmoserve prepares it"
    return
  fi
  playable=$(sed -n 's/^playable=//p' "$work/$kind.prepared")
  # Every frame the decoder gives, in its order, none dropped or repeated.
  decoded=$work/$kind.bgr
  ffmpeg -nostdin -v error -y -i "$file" -fps_mode passthrough -pix_fmt bgr24 -f rawvideo "$decoded"
  frames=$(($(stat -c %s "$decoded") / (160 * 120 * 3)))
  # Those are the frames ffmpeg's frame selection numbers.
  for n in 0 $((frames / 2)) $((frames - 1)); do
    expected=$(ffmpeg -nostdin -v error -i "$file" -vf "select=eq(n\\,$n)" -frames:v 1 -pix_fmt bgr24 -f rawvideo - |
      md5sum | cut -d' ' -f1)
    check "$kind: frame $n of the references is ffmpeg's selected frame $n" \
      test "$(tail -c +$((n * 57600 + 1)) "$decoded" | head -c 57600 | md5sum | cut -d' ' -f1)" = "$expected"
  done
  check "$kind: velmoserve gives a movie the program opens" test -f "$playable"
  printf '%s\t%s\t%s\t160\t120\t%s\n' "$kind" "$playable" "$frames" "$decoded" >>"$movies"
}

x264=(-c:v libx264 -pix_fmt yuv420p -g 12)
add_movie h264-bframes h264.mp4 "${x264[@]}" -bf 3
add_movie hevc-10bit hevc.mp4 -c:v libx265 -pix_fmt yuv420p10le -x265-params log-level=error:keyint=12:bframes=3
add_movie vp9 vp9.webm -c:v libvpx-vp9 -g 12 -deadline realtime -cpu-used 8
# 30 frames a second for the first second, 10 after it.
RATE=30 add_movie variable-rate vfr.mp4 -vf "select='lt(n\\,30)+not(mod(n\\,3))'" -fps_mode vfr "${x264[@]}" -bf 2
add_movie interlaced-mpeg2 interlaced.mpg -c:v mpeg2video -flags +ilme+ildct -top 1 -g 12 -bf 2 -q:v 4
add_movie transport-stream bframes.ts "${x264[@]}" -bf 3 -f mpegts
add_movie late-start late.mkv "${x264[@]}" -bf 2 -output_ts_offset 7.5
check "the variable-rate movie's frames are not evenly apart" \
  test "$(ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of csv=p=0 "$work/movies/vfr.mp4" |
    awk '/./ { if (NR > 1) printf "%.3f\n", $1 - last; last = $1 }' | sort -u | wc -l)" -gt 1

start_server spare
spare="$server_address $server_pid $server_secret"
spare_pid=$server_pid
start_server main
status=0
# Wine's server outlives the test program: it must not hold the servers' input.
(
  for fd in "${server_inputs[@]}"; do eval "exec $fd>&-"; done
  VELMO_FRAME_SERVER=$server_address VELMO_FRAME_SECRET=$server_secret VELMO_SERVED_MOVIES=$movies \
    VELMO_SERVED_SPARE=$spare exec "$root/scripts/wine-run" "$program" "$@"
) || status=$?
check "the test program passes" test "$status" = 0
# The spare server was killed by the test; the main one still serves.
check "the killed server is gone" test ! -e "/proc/$spare_pid/cmdline" -o -z "$(cat "/proc/$spare_pid/cmdline" 2>/dev/null)"
check "the main server still runs" kill -0 "$server_pid"
finish
