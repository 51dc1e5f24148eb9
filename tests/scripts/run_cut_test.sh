#!/usr/bin/env bash
# A movie Wine's device shows itself, run through run.sh into the real
# program: frame 10 cut from it is ffmpeg's own decode of frame 10; and the
# run's frame server lives exactly as long as run.sh, its secret in no
# command line. (Served movies' cuts are the end-to-end tests'.) Needs a
# display (DISPLAY).
source "$(dirname "$0")/lib.sh"

: "${DISPLAY:?the program needs a display}"
demo=$root/build/${VELMO_ARCH:?CTest names the build under test}/tools/velmodemo.exe
unix_to_windows() { echo "Z:${1//\//\\}"; }

# The peak difference of two pictures, from 0 to 65535.
peak_difference() {
  compare -metric PAE "$1" "$2" null: 2>&1 | cut -d' ' -f1 || true
}

# difference_from_frame <movie> <frame> <BMP file>: the peak difference of the
# file's picture from ffmpeg's own decode of that frame.
difference_from_frame() {
  ffmpeg -nostdin -v error -y -i "$1" -vf "select=eq(n\\,$2)" -frames:v 1 -pix_fmt rgb24 "$work/expected.png"
  ffmpeg -nostdin -v error -y -i "$3" -pix_fmt rgb24 "$work/cut.png"
  peak_difference "$work/expected.png" "$work/cut.png" | cut -d' ' -f1
}

# frame_server_of <run.sh pid>: the pid of the frame server run.sh starts as
# its child, once it is there; empty when run.sh ends first.
frame_server_of() {
  local server=
  while kill -0 "$1" 2>/dev/null && [ -z "$server" ]; do
    server=$(ps -o pid=,args= --ppid "$1" | awk '$2 ~ /velmoserve$/ && $3 == "serve" { print $1 }' || true)
    [ -n "$server" ] || sleep 0.05
  done
  echo "$server"
}

# An uncompressed movie of 32-bit rows stored bottom-up, as the device shows it.
movie="$work/in folder/direct.avi"
mkdir -p "$work/in folder"
ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=320x240:rate=25 -frames:v 30 -vf vflip -pix_fmt bgra -f rawvideo - |
  "$root/build/host/rawavi" "$movie" --size 320x240 --fps 25 --bits 32
out=$work/out
"$run_sh" --prepare-only -o "$out" "$movie" >/dev/null
"$run_sh" --no-build -o "$out" "$movie" 2>"$work/run.err" &
runner=$!

# The run's frame server: a child of run.sh, started before the program.
server=$(frame_server_of "$runner")
check "run.sh starts the frame server as its child" test -n "$server"
if [ -n "$server" ]; then
  check "with the run's secret in its environment" \
    grep -Eq '^VELMO_FRAME_SECRET=[0-9a-f]{64}$' <(tr '\0' '\n' <"/proc/$server/environ")
  check "and on no command line" test -z "$(ps -eo args= | grep -E '[0-9a-f]{64}')"
fi

"$root/scripts/wine-run" "$demo" cut "$(unix_to_windows "$out")" 10 10 || true
"$root/scripts/wine-run" "$demo" close || true
status=0
wait "$runner" || status=$?
check "run.sh ends with the program, as it did" test "$status" = 0
[ "$VELMO_ARCH" = i686 ] && build="the 32-bit program" || build="the 64-bit build of the program"
check "run.sh says once which build it runs" test "$(grep -c "^run.sh: $build (" "$work/run.err")" = 1
if [ -f "$out/000A.BMP" ]; then
  difference=$(difference_from_frame "$movie" 10 "$out/000A.BMP")
  check "the cut frame 10 is ffmpeg's frame 10" test "$difference" = 0
  check "and not frame 11" test "$(difference_from_frame "$movie" 11 "$out/000A.BMP")" -gt 1024
else
  fail "frame 10 is cut"
fi
check "the frame server ended with run.sh" test -n "$server" -a ! -e "/proc/${server:-0}"

# run.sh stopped (TERM) while the program runs: the program and the server end with it.
"$run_sh" --no-build -o "$out" "$movie" 2>/dev/null &
runner=$!
server=$(frame_server_of "$runner")
"$root/scripts/wine-run" "$demo" cut "$(unix_to_windows "$out")" 2 2 || true  # the program is up
kill -TERM "$runner"
status=0
wait "$runner" || status=$?
check "TERM ends run.sh (status 143)" test "$status" = 143
check "and its frame server" test -n "$server" -a ! -e "/proc/${server:-0}"
finish
