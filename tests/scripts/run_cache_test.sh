#!/usr/bin/env bash
# The cache of converted copies: run.sh removes only files it made, never the
# user's movies; a stopped run leaves nothing running and nothing behind; a
# copy is used again only while it is its movie's; and every refusal says
# what to do.
source "$(dirname "$0")/lib.sh"

# prepare <movie> [run.sh options...]: prepares the movie; what run.sh says
# is in $said.
said=$work/said
prepare() { local movie=$1; shift; "$run_sh" --prepare-only "$@" "$movie" >/dev/null 2>"$said"; }
said() { grep -q -- "$1" "$said"; }
unchanged() { test "$(md5sum "$@")" = "$sums"; }  # since sums=$(md5sum <the same files>)
stubs=$work/stubs
mkdir -p "$stubs"

# A cache folder that also holds the user's movies, one of them named like a
# copy of run.sh's, with a limit that calls for room: the user's files stay,
# and only run.sh's own copy goes.
export VELMO_CACHE_DIR=$work/movies
holiday=$VELMO_CACHE_DIR/holiday.avi
lookalike=$VELMO_CACHE_DIR/trip-0123456789-0123456789-0.velmo-copy.avi
make_movie "$holiday" -c:v mjpeg
head -c 3M /dev/urandom >"$VELMO_CACHE_DIR/clip.avi"
sums=$(md5sum "$holiday" "$VELMO_CACHE_DIR/clip.avi")
VELMO_CACHE_LIMIT_MB=2 prepare "$holiday" || true
check "the user's movies in the cache folder are kept" unchanged "$holiday" "$VELMO_CACHE_DIR/clip.avi"
check "beside the copy of the one converted" test -n "$(cache_copies | grep /holiday-)"
make_movie "$lookalike" -c:v mjpeg
touch -d '2001-01-01' "$lookalike"  # the least recently used file of all
sums=$(md5sum "$lookalike")
VELMO_CACHE_LIMIT_MB=2 prepare "$lookalike" || true
check "a movie named like a copy is converted, never removed" unchanged "$lookalike"
check "run.sh's copy of another movie makes room for it" \
  test -z "$(cache_copies | grep /holiday-)" -a -n "$(cache_copies | grep _vel-)"

# A copy cut short, or another movie's copy put in its place: made again.
export VELMO_CACHE_DIR=$work/cache
clip=$work/clip.avi
other=$work/other.avi
make_movie "$clip" -c:v mjpeg
make_movie "$other" -vf hflip -c:v mjpeg
prepare "$other"
other_copy=$(cache_copies)
prepare "$clip"
copy=$(cache_copies | grep clip)
cp -- "$copy" "$work/clip-copy.avi"
for damage in "truncate -s -1 --" "cp -- $other_copy"; do
  $damage "$copy"
  prepare "$clip"
  check "a copy changed by $damage is made again" said 'is not the one made from'
  check "as it was" cmp -s "$copy" "$work/clip-copy.avi"
done

# A movie whose decoder gives fewer frames than its container counts (30 of
# 40), when the copy is made and when it is used again: said plainly.
printf '#!/bin/sh\n"%s" "$@" | sed "s/^nb_frames=30$/nb_frames=40/"\n' "$(command -v ffprobe)" >"$stubs/ffprobe"
chmod +x "$stubs/ffprobe"
rm -rf "$VELMO_CACHE_DIR"
for run in made used; do
  PATH=$stubs:$PATH prepare "$clip"
  check "a decoder giving fewer frames, copy $run: said" said "decoder gives frames 0 to 29 only, .* counts 40"
  check "with no unset times" test -z "$(grep -e '--from *$' -e ' s to  s' -e 'times\[' "$said")"
done
rm -f "$stubs/ffprobe"

# VELMO_CACHE_LIMIT_MB is decimal, and a limit too small says how much is
# needed (160 frames take up to 9.02 MB).
long_clip=$work/long-clip.avi
MOVIE_FRAMES=160 make_movie "$long_clip" -c:v mjpeg
rm -rf "$VELMO_CACHE_DIR"
while read -r limit expected; do
  VELMO_CACHE_LIMIT_MB=$limit prepare "$long_clip" || true
  check "VELMO_CACHE_LIMIT_MB=$limit: $expected" said "$expected"
done <<'EOF'
08 set VELMO_CACHE_LIMIT_MB to 10 or more
99999999999999999999 must be a whole number of megabytes from 1 to 9999999999
010 converting it once
EOF
# A cache where the outdated copy cannot be removed.
printf '#!/bin/sh\ncase "$*" in *"%s"*) echo "rm: Read-only file system" >&2; exit 1 ;; esac\nexec %s "$@"\n' \
  "$VELMO_CACHE_DIR" "$(command -v rm)" >"$stubs/rm"
chmod +x "$stubs/rm"
touch -d '2001-01-01' "$long_clip"
PATH=$stubs:$PATH prepare "$long_clip" || true
check "an outdated copy that cannot be removed says what to do" said 'set VELMO_CACHE_DIR to a folder you can write'
rm -f "$stubs/rm"

# Stopped midway: a movie slow to convert (25 frames of 6000x6000).
MOVIE_SIZE=6000x6000 MOVIE_FRAMES=1 make_movie "$work/one.avi" -c:v mjpeg
slow=$work/slow.avi
ffmpeg -nostdin -v error -stream_loop 24 -i "$work/one.avi" -c copy "$slow"
rm -rf "$VELMO_CACHE_DIR"

# wait_until <command...>: true once the command is, within a minute.
wait_until() { local _; for _ in $(seq 600); do ! "$@" || return 0; sleep 0.1; done; "$@"; }
# ended <pid>: the process is gone, or a zombie nobody waits for.
ended() { ! ps -o stat= -p "$1" | grep -qv '^Z'; }
no_parts() { test -z "$(cache_parts)"; }
# converting: the converter has written into the runner's copy (its part
# bears the runner's process id).
converting() {
  local part
  converter=$(pgrep -s "$runner" -f 'rawavi .*--movie') && part=$(cache_parts | grep "\.$runner\.part$") && test -s "$part"
}
# start_conversion: run.sh converting the slow movie, in a process group of
# its own; sets runner and, once it writes, converter.
start_conversion() {
  setsid "$run_sh" --prepare-only "$slow" >/dev/null 2>&1 &
  runner=$!
  wait_until converting || fail "the conversion starts"
}

start_conversion
kill -KILL "$runner"
check "run.sh killed outright: its converter ends with it" wait_until ended "$converter"
check "and its part goes with it" wait_until no_parts
{ wait "$runner"; } 2>/dev/null || true

start_conversion
kill -STOP "$converter"  # as slow as can be
kill -TERM "$runner"
check "TERM ends run.sh at once" wait_until ended "$runner"
kill -CONT "$converter" 2>/dev/null || true
status=0
wait "$runner" || status=$?
check "as terminated (status 143)" test "$status" = 143
check "and its converter with it" wait_until ended "$converter"
check "leaving no part" no_parts

# Parts of copies: one whose writer is gone is removed by the next
# conversion; one being written (locked) is kept, and counts toward the limit.
prepare "$clip"
stale=$VELMO_CACHE_DIR/.a-0123456789-0123456789-0.velmo-copy.avi.99999.part
live=$VELMO_CACHE_DIR/.b-0123456789-0123456789-0.velmo-copy.avi.99998.part
: >"$stale"
truncate -s 3M "$live"
VELMO_CACHE_LIMIT_MB=4 flock "$live" "$run_sh" --prepare-only "$other" >/dev/null 2>"$said"
check "a part left by a killed run is removed" test ! -e "$stale"
check "one being written is kept" test -e "$live"
check "and counted: the older copy made room" test -z "$(cache_copies | grep clip)"
finish
