#!/usr/bin/env bash
# The movie run.sh hands over: a path without blanks that Wine resolves to the
# movie, or to a converted copy that is made once, kept, and never half-made.
source "$(dirname "$0")/lib.sh"

# The picture height in a movie's stream format (biHeight), negative when its
# rows are stored top-down.
stored_height() {
  local strf
  strf=$(LC_ALL=C grep -obUaF -m 1 strf -- "$1" | head -n 1 | cut -d: -f1)
  od -An -td4 -j $((strf + 16)) -N4 -- "$1" | tr -d ' '
}

# A movie the device shows as it is, in folders with blanks and Japanese names.
direct="$work/my movies/動画 フォルダ/my movie.avi"
make_movie "$direct" -c:v msvideo1
given=$("$run_sh" --prepare-only "$direct")
check "a path with blanks is handed over without them, in ASCII" grep -Eq '^[A-Z]:\\[!-~]+$' <<<"$given"
check "that short name is the movie itself" test "$(unix_path "$given")" = "$(realpath "$direct")"
check "a movie the device shows is not converted" test -z "$(cache_entries)"

# A movie the user may not read is said to be unreadable, not a bad movie.
chmod 600 "$direct"
if as_another_user "$run_sh" --prepare-only "$direct" >/dev/null 2>"$work/unreadable.err"; then
  fail "a movie that cannot be read is refused"
else
  check "a movie that cannot be read is reported as unreadable" grep -q 'cannot read the movie' "$work/unreadable.err"
fi
chmod 644 "$direct"

# MJPEG: converted once into bottom-up 32-bit frames, then reused.
mjpeg="$work/my movies/clip.avi"
make_movie "$mjpeg" -c:v mjpeg
"$run_sh" --prepare-only "$mjpeg" >"$work/first" 2>"$work/first.err"
check "the conversion is announced" grep -q 'converting it once' "$work/first.err"
copy=$(cache_copies)
check "one converted copy is kept" test "$(wc -l <<<"$copy")" = 1
check "the program is given the copy" test "$(unix_path "$(cat "$work/first")")" = "$copy"
check "the copy is coded by our codec with rows bottom-up" \
  test "$("$root/build/host/rawavi" --describe "$copy" | grep -E '^(compression|bits)=')" = "$(printf 'bits=24\ncompression=VLM1')" \
  -a "$(stored_height "$copy")" = 120
check "the copy is one RIFF part, all the device reads" \
  test "$(($(od -An -tu4 -j4 -N4 -- "$copy") + 8))" = "$(stat -c %s -- "$copy")" -a -z "$(grep -l AVIX -- "$copy")"
probe=$(ffprobe -v error -select_streams v:0 -show_entries stream=nb_frames,r_frame_rate -of default=nw=1 "$copy")
check "the copy has the source's frames and rate" test "$probe" = "$(printf 'r_frame_rate=25/1\nnb_frames=30')"
# A copy is written under a temporary name and renamed: a new one is a new file. Its time
# changes on every use (the cache keeps the recently used).
before=$(stat -c '%i %s' "$copy")
"$run_sh" --prepare-only "$mjpeg" >"$work/second" 2>"$work/second.err"
check "the second run reuses the copy" grep -q 'converted copy made before' "$work/second.err"
check "without converting again" test "$(stat -c '%i %s' "$copy")" = "$before"
check "and hands over the same path" test "$(cat "$work/second")" = "$(cat "$work/first")"

# A changed source is converted anew and replaces its old copy.
touch -d '2001-01-01' "$mjpeg"
"$run_sh" --prepare-only "$mjpeg" >/dev/null 2>"$work/third.err"
check "a changed movie is converted again" grep -q 'converting it once' "$work/third.err"
check "its old copy is gone" test "$(cache_copies | wc -l)" = 1 -a ! -e "$copy"

# Uncompressed AVIs are told apart by what the file holds: the same 32-bit
# frames play directly stored bottom-up (the converter's own copy) and are
# converted stored top-down (ffmpeg's raw video), as are 8-bit top-down ones.
held_apart=$work/held-apart
mkdir -p "$held_apart"
cp -- "$(cache_copies)" "$held_apart/bottom-up.avi"
make_movie "$held_apart/top-down.avi" -c:v rawvideo -pix_fmt bgra
make_movie "$held_apart/palette-top-down.avi" -c:v rawvideo -pix_fmt pal8
for movie in bottom-up top-down palette-top-down; do
  given=$("$run_sh" --prepare-only "$held_apart/$movie.avi" 2>/dev/null)
  if [ "$(unix_path "$given")" = "$held_apart/$movie.avi" ]; then verdict=direct; else verdict=converted; fi
  case $movie in bottom-up) expected=direct ;; *) expected=converted ;; esac
  check "$movie.avi: $expected" test "$verdict" = "$expected"
done
check "a converted top-down movie is stored bottom-up" \
  test "$(stored_height "$(cache_copies | grep palette-top-down)")" = 120

# --help names the cache folder in use.
check "--help names the cache folder" grep -qF "Converted movies:  $VELMO_CACHE_DIR" <("$run_sh" --help)

# A movie of 25 frames of 6000x6000 (one frame repeated), perhaps longer than
# an AVI file holds, and slow to convert.
long=$work/long.avi
MOVIE_SIZE=6000x6000 MOVIE_FRAMES=1 make_movie "$work/one.avi" -c:v mjpeg
ffmpeg -nostdin -v error -stream_loop 24 -i "$work/one.avi" -c copy "$long"

# Interrupted (Ctrl+C reaches the whole process group) while the converter writes.
stubs=$work/stubs
mkdir -p "$stubs"
rm -rf "$VELMO_CACHE_DIR"
# A script's background commands ignore SIGINT, and run.sh would inherit that:
# it gets the default action back, as in a terminal.
setsid env --default-signal=INT "$run_sh" --prepare-only "$long" >/dev/null 2>&1 &
group=$!
# However long run.sh takes to get there, for as long as it runs.
while kill -0 "$group" 2>/dev/null && [ -z "$(cache_entries | grep '\.part$')" ]; do sleep 0.1; done
check "the copy is written under a temporary name" test -n "$(cache_entries | grep '\.part$')"
kill -INT -- "-$group"
status=0
wait "$group" || status=$?
check "an interrupted conversion stops as interrupted (status 130)" test "$status" = 130
check "an interrupted conversion leaves nothing in the cache" test -z "$(cache_entries | grep -v '/cache$')"

# Too little room: refused before ffmpeg starts.
printf '#!/bin/sh\ntouch "%s/ffmpeg-ran"\nexit 1\n' "$work" >"$stubs/ffmpeg"
printf '#!/bin/sh\necho "Filesystem 1-blocks Used Available Capacity Mounted on"\necho "x 100000 99000 1000 99%% /"\n' \
  >"$stubs/df"
chmod +x "$stubs/df"
if PATH=$stubs:$PATH "$run_sh" --prepare-only "$mjpeg" >/dev/null 2>"$work/full.err"; then
  fail "a conversion that does not fit is refused"
else
  check "a conversion that does not fit is refused with the sizes" grep -q 'needs up to [0-9]* MB .* only 0 MB are free' \
    "$work/full.err"
fi
check "before ffmpeg runs" test ! -e "$work/ffmpeg-ran"

# Perhaps longer than an AVI file holds (2 GB, 19 frames of 6000x6000 at their
# largest): the user is told before converting which frames the copy holds for
# sure and that the next stretch's start is told once it is made, and the room
# needed is at most that of an AVI file.
PATH=$stubs:$PATH "$run_sh" --prepare-only "$long" >/dev/null 2>"$work/long.err" || true
check "a movie perhaps longer than a copy holds is announced with the frames it surely holds" \
  grep -q 'holds frames 0 to 24 of the movie.s 25 frames .*at least frames 0 to 18$' "$work/long.err"
check "and with where the frames after it are told" grep -q 'says where the next stretch starts' "$work/long.err"
check "and the room an AVI file takes at most" grep -q 'needs up to 2048 MB' "$work/long.err"

# Stretches: each is a copy of its own, kept beside the others; the cache keeps
# within its limit by removing the least recently used copies first.
rm -rf "$VELMO_CACHE_DIR"
# stretch <time>: what run.sh says converting the stretch from that time.
stretch() { "$run_sh" --prepare-only --from "$1" "$mjpeg" 2>&1 >/dev/null || true; }
copy_of() { cache_copies | grep -- "-$1\."; }
said=$(stretch 0.5)
check "a stretch starts at the first frame at or after the time" grep -q 'holds frames 13 to 29' <<<"$said"
check "and says how the frames before it are reached" grep -q 'frames before 13 are empty' <<<"$said"
check "a time as h:mm:ss.fraction" grep -q 'holds frames 25 to 29' <<<"$(stretch 0:00:01.0)"
check "two stretches are two copies" test -n "$(copy_of 13)" -a -n "$(copy_of 25)"
check "a time after the last frame is refused" grep -q 'lies after the last frame' <<<"$(stretch 9)"
check "so is a time ffmpeg would not read" grep -q 'takes a time as ffmpeg reads it' <<<"$(stretch 1,5)"
check "a frame number with f starts it at that frame: the copy from 0.5 s serves" \
  grep -q "using the converted copy made before: .*-13\.velmo-copy\.avi" <<<"$(stretch 13f)"
check "a frame number after the last frame is refused" grep -q 'lies after the last frame' <<<"$(stretch 30f)"
check "--help shows the frame number form" grep -q -- '--from FRAMEf' <("$run_sh" --help)
rm -rf "$VELMO_CACHE_DIR"
# Noise, which no lossless coding makes smaller: copies as large as the room
# run.sh keeps for them.
mjpeg=$work/noise.avi
make_movie "$mjpeg" -vf noise=alls=100:allf=t+u -c:v ffv1
export VELMO_CACHE_LIMIT_MB=3  # room for two of these copies, not three
stretch 0.2 >/dev/null
stretch 0.4 >/dev/null
stretch 0.2 >/dev/null  # used again: now the more recent
stretch 0.6 >"$work/limit.err"
check "the least recently used copy goes when the limit is reached" \
  test -z "$(copy_of 10)" -a -n "$(copy_of 5)" -a -n "$(copy_of 15)"
check "and the user is told" grep -q 'removing the least recently used copy' "$work/limit.err"
unset VELMO_CACHE_LIMIT_MB

# A movie of variable frame rate whose video starts after its sound: each
# frame of the copy keeps its own time in the movie, counted from the movie's
# start as -ss counts (the packets' times less the start, in order).
rm -rf "$VELMO_CACHE_DIR"
vfr=$work/vfr.mkv
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25 -f lavfi -i sine=duration=3 -map 1:a -map 0:v \
  -frames:v 30 -vf "setpts='(N+N*N/20)/25/TB+0.5/TB'" -fps_mode vfr -c:v mjpeg -c:a pcm_s16le -shortest "$vfr"
"$run_sh" --prepare-only "$vfr" >/dev/null 2>&1
start=$(ffprobe -v error -show_entries format=start_time -of csv=p=0 "$vfr")
expected=$(ffprobe -v error -select_streams v:0 -show_entries packet=pts_time -of csv=p=0 "$vfr" |
  LC_ALL=C awk -v start="$start" '{ printf "%.6f\n", $1 - start }' | LC_ALL=C sort -g | awk '{ print NR - 1, $1 }')
kept=$("$root/build/host/rawavi" --times "$(cache_copies)")
check "a copy keeps each frame's time in the movie" test -n "$kept" -a "$kept" = "$expected"
check "and the first is not 0" test "$(head -n 1 <<<"$kept")" != "0 0.000000"

# The converter alone: input ending inside a frame leaves no file.
converter=$root/build/host/rawavi
head -c $((4 * 4 * 4 * 3 / 2)) /dev/zero >"$work/frames"
if "$converter" "$work/short.avi" --size 4x4 --fps 25 <"$work/frames" 2>"$work/short.err"; then
  fail "a short last frame is refused"
else
  check "a short last frame is refused" grep -q 'ends inside a frame' "$work/short.err"
fi
check "and leaves no file" test ! -e "$work/short.avi"

# The converter decoding a movie itself: a file that is no movie, a time after
# the movie's last frame and pictures of another size than the copy's are
# refused and leave no file.
refused_conversion() {
  local what=$1 expected=$2 out=$work/refused.avi
  shift 2
  if "$converter" "$out" --size 4x4 --fps 25 --bits 24 --coded "$@" 2>"$work/refused.err"; then
    fail "$what is refused"
  else
    check "$what is refused" grep -q "$expected" "$work/refused.err"
  fi
  check "and leaves no file" test ! -e "$out"
}
refused_conversion "a file that is no movie" 'cannot open' --movie "$work/frames"
refused_conversion "a time after the last frame" 'no frame from that time on' --movie "$mjpeg" --from 3600
refused_conversion "a picture of another size" 'not 4x4' --movie "$mjpeg"
finish
