#!/usr/bin/env bash
# The movie run.sh hands over: a path without blanks that Wine resolves to the
# movie itself when Wine's device shows it, else to its small index AVI,
# made once, used again while the movie is unchanged, never left half-made;
# and the frame the program opens on.
source "$(dirname "$0")/lib.sh"

velmoserve=$root/build/host/velmoserve
# prepare <movie> [run.sh options...]: prepares the movie; sets given (the
# Windows path), first (the frame to open on), and what run.sh said in $said.
said=$work/said
prepare() {
  local movie=$1 out
  shift
  out=$("$run_sh" --prepare-only "$@" "$movie" 2>"$said") || return 1
  given=$(sed -n 1p <<<"$out") first=$(sed -n 2p <<<"$out")
}
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
prepare "$direct"
check "a path with blanks is handed over without them, in ASCII" grep -Eq '^[A-Z]:\\[!-~]+$' <<<"$given"
check "that short name is the movie itself" test "$(unix_path "$given")" = "$(realpath "$direct")"
check "the program opens on frame 0" test "$first" = 0
check "a movie the device shows is not indexed" test -z "$(cache_entries)"

# A movie the user may not read is said to be unreadable, not a bad movie.
chmod 600 "$direct"
if as_another_user "$run_sh" --prepare-only "$direct" >/dev/null 2>"$work/unreadable.err"; then
  fail "a movie that cannot be read is refused"
else
  check "a movie that cannot be read is reported as unreadable" grep -q 'cannot read the movie' "$work/unreadable.err"
fi
chmod 644 "$direct"

# MJPEG: indexed once into a small AVI of served frames, then used again.
mjpeg="$work/my movies/clip.avi"
MOVIE_FRAMES=200 make_movie "$mjpeg" -c:v mjpeg
prepare "$mjpeg"
index=$(cache_indexes)
check "one index is kept" test "$(wc -l <<<"$index")" = 1
check "the program is given the index" test "$(unix_path "$given")" = "$index"
check "the index is small: no pictures in it" test "$(stat -c %s -- "$index")" -lt 65536
check "its frames are served (VLMS), 24-bit, rows bottom-up" \
  test "$("$root/build/host/rawavi" --describe "$index" | grep -E '^(compression|bits|frames)=')" = \
  "$(printf 'bits=24\ncompression=VLMS\nframes=200')" -a "$(stored_height "$index")" = 120
probe=$(ffprobe -v error -select_streams v:0 -show_entries stream=nb_frames,r_frame_rate -of default=nw=1 "$index")
check "the index has the movie's frames and rate" test "$probe" = "$(printf 'r_frame_rate=25/1\nnb_frames=200')"
before=$(stat -c '%i %Y' "$index")
prepare "$mjpeg"
check "the second run uses the index again" grep -q 'using the index made before' "$said"
check "without writing it again" test "$(stat -c '%i %Y' "$index")" = "$before"

# A changed movie is indexed anew, and its old index goes.
touch -d '2001-01-01' "$mjpeg"
prepare "$mjpeg"
check "a changed movie is indexed again" grep -q 'indexed .* (200 frames)' "$said"
check "its old index is gone" test "$(cache_indexes | wc -l)" = 1 -a ! -e "$index"

# An MPEG transport stream (a recording cut anywhere): indexed like any movie.
ts=$work/recording.ts
MOVIE_FRAMES=60 make_movie "$ts" -c:v mpeg2video -g 12 -bf 2 -f mpegts
prepare "$ts" --from 1
check "a transport stream is indexed" test "$(unix_path "$given")" = "$(cache_indexes | grep /recording-)"
check "and opens on the frame at 1 s" test "$first" = 25

# --from: the first frame at or after a time, or a frame number with f.
while read -r from expected; do
  prepare "$mjpeg" --from "$from"
  check "--from $from opens on frame $expected" test "$first" = "$expected"
done <<'EOF'
0.5 13
0:00:01.0 25
480ms 12
199f 199
EOF
prepare "$direct" --from 0.5
check "--from on a movie the device shows opens on its frame" test "$first" = 13
for from in 9 200f 1,5; do
  if prepare "$mjpeg" --from "$from"; then
    fail "--from $from is refused"
  else
    check "--from $from is refused with one clear message" \
      grep -Eq -- 'lies after the last frame of .* \(frame 199 at 7.96 s\)|--from takes a time' "$said"
  fi
done

# Uncompressed AVIs are told apart by what the file holds: 32-bit rows stored
# bottom-up play directly; top-down (ffmpeg's raw video) ones are indexed.
held_apart=$work/held-apart
mkdir -p "$held_apart"
head -c $((160 * 120 * 4 * 3)) /dev/urandom |
  "$root/build/host/rawavi" "$held_apart/bottom-up.avi" --size 160x120 --fps 25 --bits 32
make_movie "$held_apart/top-down.avi" -c:v rawvideo -pix_fmt bgra
make_movie "$held_apart/palette-top-down.avi" -c:v rawvideo -pix_fmt pal8
for movie in bottom-up top-down palette-top-down; do
  prepare "$held_apart/$movie.avi"
  if [ "$(unix_path "$given")" = "$held_apart/$movie.avi" ]; then verdict=direct; else verdict=indexed; fi
  case $movie in bottom-up) expected=direct ;; *) expected=indexed ;; esac
  check "$movie.avi: $expected" test "$verdict" = "$expected"
done

# Refusals: one clear message each, and nothing left in the cache.
rm -rf "$VELMO_CACHE_DIR"
printf 'not a movie\n' >"$work/notes.txt"
ffmpeg -nostdin -v error -f lavfi -i sine=duration=1 "$work/sound.wav"
while read -r movie expected; do
  if prepare "$work/$movie"; then
    fail "$movie is refused"
  else
    check "$movie is refused: $expected" test "$(grep -c . "$said")" = 1 -a -n "$(grep -- "$expected" "$said")"
  fi
done <<'EOF'
missing.mp4 no such movie
notes.txt notes.txt
sound.wav no video stream
EOF
check "a refused movie leaves nothing in the cache" test -z "$(cache_entries)"

# Interrupted (Ctrl+C reaches the whole process group) while it indexes a
# movie of many frames: it stops as interrupted, and no temporary file stays
# whenever the interruption came.
long=$work/long.mkv
MOVIE_FRAMES=3000 MOVIE_SIZE=64x48 make_movie "$long" -c:v mjpeg
for attempt in 1 2 3; do
  rm -rf "$VELMO_CACHE_DIR"
  # A script's background commands ignore SIGINT, and run.sh would inherit
  # that: it gets the default action back, as in a terminal.
  setsid env --default-signal=INT "$run_sh" --prepare-only "$long" >/dev/null 2>"$work/interrupted.err" &
  group=$!
  # However long run.sh takes to get there, for as long as it runs.
  while kill -0 "$group" 2>/dev/null && ! pgrep -s "$group" -f 'velmoserve prepare' >/dev/null; do sleep 0.05; done
  kill -INT -- "-$group" 2>/dev/null || true
  status=0
  wait "$group" || status=$?
  check "interrupted ($attempt): stops as interrupted, or had finished" test "$status" = 130 -o "$status" = 0
  check "interrupted ($attempt): no temporary file is left" test -z "$(cache_entries | grep '\.part$')"
done
# One a dead run left (killed outright) goes with the next preparation.
mkdir -p "$VELMO_CACHE_DIR"
stale=$VELMO_CACHE_DIR/.long-$(printf '%032d' 0).velmo-index.avi.99999.part
: >"$stale"
prepare "$long"
check "a temporary file a killed run left is removed" test ! -e "$stale"

# --help says where the index files are, and nothing of copies any more.
help=$("$run_sh" --help)
check "--help names the cache folder" grep -qF "Index files:    $VELMO_CACHE_DIR" <<<"$help"
check "--help shows the frame number form" grep -q -- '--from FRAMEf' <<<"$help"
check "--help tells of no stretches or limits" test -z "$(grep -Ei 'stretch|GB|LIMIT' <<<"$help")"
finish
