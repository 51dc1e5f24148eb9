#!/usr/bin/env bash
# The cache folder of index files: velmoserve removes only files it made, never
# the user's; the converted copies of earlier versions go, once; an index is
# used again only while it is its movie's; and a refusal says what to do.
source "$(dirname "$0")/lib.sh"

# prepare <movie> [run.sh options...]: prepares the movie; what run.sh said is in $said.
said=$work/said
prepare() { local movie=$1; shift; "$run_sh" --prepare-only "$@" "$movie" >"$work/given" 2>"$said"; }
said() { grep -q -- "$1" "$said"; }
unchanged() { test "$(md5sum "$@")" = "$sums"; }  # since sums=$(md5sum <the same files>)

# A cache folder that also holds the user's movies, some named like what
# velmoserve or an earlier run.sh keeps there: all of them stay.
export VELMO_CACHE_DIR=$work/movies
holiday=$VELMO_CACHE_DIR/holiday.avi
make_movie "$holiday" -c:v mjpeg
head -c 3M /dev/urandom >"$VELMO_CACHE_DIR/clip.avi"
head -c 1K /dev/urandom >"$VELMO_CACHE_DIR/trip-0123456789abcdef0123456789abcdef.velmo-index.avi"
lookalike=$VELMO_CACHE_DIR/trip-0123456789-0123456789-0.velmo-copy.avi
make_movie "$lookalike" -c:v mjpeg
users=("$holiday" "$VELMO_CACHE_DIR/clip.avi" "$VELMO_CACHE_DIR"/trip-*)
# What earlier versions kept there: converted copies (gigabytes), each with
# the file that named its source, and a part whose converter was killed.
old=$VELMO_CACHE_DIR/holiday-0123456789-abcdef0123-0.velmo-copy
truncate -s 5M "$old.avi"
printf 'source=%q\nsize=1\n' "$holiday" >"$old.source"
printf 'source=%q\n' "$holiday" >"$VELMO_CACHE_DIR/holiday-0123456789-abcdef0123-90.velmo-copy.source"
: >"$VELMO_CACHE_DIR/.holiday-0123456789-abcdef0123-7.velmo-copy.avi.99999.part"
sums=$(md5sum "${users[@]}")
prepare "$holiday"
check "the user's movies in the cache folder are kept" unchanged "${users[@]}"
check "beside the index of the one prepared" test -n "$(cache_indexes | grep /holiday-)"
check "the copies earlier versions made are removed" test -z "$(find "$VELMO_CACHE_DIR" -name '*holiday*velmo-copy*')"
check "and the user is told how much room that gave" said 'removed 4 files (6 MB) of the converted copies'
prepare "$lookalike"
check "a movie named like an old copy is indexed, never removed" unchanged "${users[@]}"
check "the removal is told once" test -z "$(grep 'converted copies' "$said")"
check "nothing else is in the folder" test "$(cache_entries | wc -l)" = $((${#users[@]} + 2))

# An index cut short, or another movie's index put in its place: made again.
export VELMO_CACHE_DIR=$work/cache
clip=$work/clip.mkv
other=$work/other.mkv
make_movie "$clip" -c:v mjpeg
make_movie "$other" -vf hflip -c:v mjpeg
prepare "$other"
other_index=$(cache_indexes)
prepare "$clip"
index=$(cache_indexes | grep clip)
cp -- "$index" "$work/clip-index.avi"
for damage in "truncate -s -1 --" "cp -- $other_index"; do
  $damage "$index"
  prepare "$clip"
  check "an index changed by $damage is made again" said 'is not the one made from'
  check "as it was" cmp -s "$index" "$work/clip-index.avi"
done

# Folders that cannot be used say what to do.
mkdir -p "$work/read-only"
chmod 555 "$work/read-only"
chmod o+rx "$work" && chmod o+r "$clip"
VELMO_CACHE_DIR=$work/read-only as_another_user "$run_sh" --prepare-only "$clip" >/dev/null 2>"$said" || true
check "a cache folder that cannot be written says what to do" said 'set VELMO_CACHE_DIR to a folder you can write'
: >"$work/a-file"
VELMO_CACHE_DIR=$work/a-file/cache prepare "$clip" || true
check "a cache folder that cannot be made says what to do" said 'cannot create the cache folder'

# The cache folder by default: under XDG_CACHE_HOME, else ~/.cache.
unset VELMO_CACHE_DIR
XDG_CACHE_HOME=$work/xdg prepare "$clip"
check "without VELMO_CACHE_DIR the index goes to \$XDG_CACHE_HOME/velmo" test -n "$(ls "$work/xdg/velmo/"clip-*)"
env -u XDG_CACHE_HOME "$run_sh" --prepare-only "$clip" >/dev/null 2>&1
check "else to ~/.cache/velmo" test -n "$(ls "$HOME/.cache/velmo/"clip-*)"
finish
