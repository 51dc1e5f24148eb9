#!/usr/bin/env bash
# Installs what is missing, builds velmo32.exe and runs it under Wine with the
# Japanese locale, on the bundled sample movie or on the movie given.
# Without a display it runs a short demonstration on a virtual one instead.
set -euo pipefail

usage() {
  cat <<EOF
Usage: scripts/run.sh [-o DIR] [--from TIME|FRAMEf] [movie]

Runs velmo32.exe under Wine on the movie given (the bundled sample movie by
default). Any movie file ffmpeg reads will do: one that Wine's movie device
cannot show (MJPEG, MPEG-4, H.264, MP4, MKV, ...) is converted once into an
AVI of losslessly coded frames, which the device shows through Velmo's own
codec, and kept in the cache folder for the next time.

  -o DIR            cut frames go to DIR (created if needed); without it they
                    go where they went before, or, the first time, to
                    ~/Pictures/velmo (created)
  --from TIME       convert the stretch of the movie that starts at the first
                    frame at or after TIME (seconds, or h:mm:ss.fraction); its
                    frames keep their numbers in the movie
  --from FRAMEf     the same from frame number FRAME (--from 100000f)
  --no-build        run the program as it is built: install and build nothing
                    but the converter, which also reads what an AVI holds
  --prepare-only    convert the movie and store the settings, print the path
                    the program would be given, and start nothing
  -h, --help        this text

Without a display (no DISPLAY) it runs on a virtual one and shows a short
demonstration instead: it marks a range, cuts it into build/i686/demo/out (or
DIR), saves a screenshot of the window as build/i686/demo/velmo32.png and exits.

Converted movies:  $cache (at most $cache_limit_mb MB: VELMO_CACHE_LIMIT_MB);
                   run.sh removes nothing there but its own *.$mark.* files
Settings file:     $settings
EOF
}

die() { echo "run.sh: $*" >&2; exit 1; }
say() { echo "run.sh: $*" >&2; }

root=$(cd "$(dirname "$0")/.." && pwd)
dir=$root/build/i686
export VELMO_WINE_ROOT=${VELMO_WINE_ROOT:-$root/build/run-wine}
prefix=$VELMO_WINE_ROOT/prefix24
cache=${VELMO_CACHE_DIR:-${XDG_CACHE_HOME:-${HOME:-$root/build}/.cache}/velmo}
# The cache holds at most this much; the least recently used copies go first.
cache_limit_mb=${VELMO_CACHE_LIMIT_MB:-10240}
# Everything run.sh keeps in the cache folder has this mark in its name, and it
# removes nothing else there: the folder may also hold the user's own movies.
mark=velmo-copy
settings=$prefix/drive_c/windows/velmo32.ini

output_dir=
from_time=
movie=
prepare_only=0
build=1
while [ $# -gt 0 ]; do
  case $1 in
    -h|--help) usage; exit 0 ;;
    -o) [ $# -ge 2 ] && [ -n "$2" ] || die "-o needs a directory"; output_dir=$2; shift 2 ;;
    --from) [ $# -ge 2 ] || die "--from needs a time"; from_time=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    --prepare-only) prepare_only=1; build=0; shift ;;
    --) shift; [ $# -eq 0 ] || { [ -z "$movie" ] || die "one movie at a time"; movie=$1; shift; }; break ;;
    -*) die "unknown option $1 (see run.sh --help)" ;;
    *) [ -z "$movie" ] || die "one movie at a time (see run.sh --help)"; movie=$1; shift ;;
  esac
done
[ $# -eq 0 ] || die "one movie at a time (see run.sh --help)"

# Files that are being written and must not stay behind half-made.
partial=()
cleanup_partial() { local f; for f in "${partial[@]}"; do rm -f -- "$f"; done; partial=(); }

# run_child <command...>: runs a command that takes a while as a child that
# ends with run.sh: INT and TERM end it at once (a shell runs its traps only
# once a command in the foreground is done), and should run.sh be killed
# outright, the kernel sends it TERM. Sets child_output to what it prints.
child=
child_output=
run_child() {
  local out status=0
  out=$(mktemp "${TMPDIR:-/tmp}/velmo-run.XXXXXX")
  partial+=("$out")
  setpriv --pdeathsig TERM -- "$@" >"$out" &
  child=$!
  wait "$child" || status=$?
  child=
  child_output=$(cat -- "$out")
  rm -f -- "$out"
  return "$status"
}
stop_child() { [ -z "$child" ] || kill -TERM "$child" 2>/dev/null || true; }

on_exit() { stop_child; cleanup_partial; }
trap on_exit EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# ---- Windows paths ---------------------------------------------------------

# The program's Wine prefix. Wine draws the caption buttons with the Marlett
# font of fonts-wine, which it finds only in the prefix's own font folder.
prepare_prefix() {
  local marlett=/usr/share/wine/fonts/marlett.ttf fonts=$prefix/drive_c/windows/Fonts
  "$root/scripts/wine-prefix" "$prefix"
  if [ -f "$marlett" ] && [ ! -e "$fonts/marlett.ttf" ]; then
    mkdir -p "$fonts" && ln -sf "$marlett" "$fonts/marlett.ttf"
  fi
}

# windows_path -w|-s <path>: the path as Wine gives it to Windows programs,
# long (-w) or made of short 8.3 names (-s), as UTF-8 text.
windows_path() {
  VELMO_WINEPREFIX=$prefix "$root/scripts/wine-run" "$prefix/drive_c/windows/system32/winepath.exe" "$1" "$2" \
    </dev/null | tr -d '\r'
}

# short_windows_path <unix path>: the path of an existing file or folder made of
# short 8.3 names, which Wine gives in ASCII for any name.
short_windows_path() {
  local path
  path=$(windows_path -w "$1")
  windows_path -s "$path"
}

# The program keeps its command line only up to the first blank and reads it
# in code page 932: the short name has neither blanks nor other characters.
program_path() {
  local path
  path=$(short_windows_path "$1")
  [[ $path =~ ^[A-Za-z]:\\[!-~]*$ ]] || die "Wine gives no short name without blanks for $1 (got '$path')"
  echo "$path"
}

# ---- Settings --------------------------------------------------------------

# stored_setting <key>: the value of the key in section [Screen] of
# velmo32.ini, as stored (code page 932); empty when it is not there.
stored_setting() {
  [ -f "$settings" ] || return 0
  VELMO_KEY=$1 LC_ALL=C awk '
    BEGIN { key = tolower(ENVIRON["VELMO_KEY"]) }
    { sub(/\r$/, "") }
    /^[ \t]*\[/ { inside = tolower($0) ~ /^[ \t]*\[screen\]/; next }
    inside && tolower($0) ~ ("^[ \t]*" key "[ \t]*=") { sub(/^[^=]*=[ \t]*/, ""); print; exit }
  ' "$settings"
}

# set_setting <key> <value>: the key of section [Screen] in velmo32.ini, with
# the value's bytes as given; other sections, keys and lines are kept. The file
# is code page 932 text with CRLF line ends, as the program writes it.
set_setting() {
  local tmp=$settings.$$.tmp
  partial+=("$tmp")
  [ -f "$settings" ] || : >"$settings"
  VELMO_KEY=$1 VELMO_VALUE=$2 LC_ALL=C awk '
    BEGIN { key = tolower(ENVIRON["VELMO_KEY"]); line = ENVIRON["VELMO_KEY"] "=" ENVIRON["VELMO_VALUE"] "\r" }
    { sub(/\r$/, "") }
    /^[ \t]*\[/ {
      if (inside && !done) { print line; done = 1 }
      inside = tolower($0) ~ /^[ \t]*\[screen\]/
      print $0 "\r"; next
    }
    inside && tolower($0) ~ ("^[ \t]*" key "[ \t]*=") { if (!done) print line; done = 1; next }
    { print $0 "\r" }
    END { if (!done) { if (!inside) print "[Screen]\r"; print line } }
  ' "$settings" >"$tmp"
  mv -f -- "$tmp" "$settings"
  cleanup_partial
}

# check_output_dir <dir>: refuses a folder the program could not use, before
# anything else is done: a path with control characters (a line feed would
# end the settings line), or a folder that cannot be created or written.
check_output_dir() {
  local probe
  [[ $1 != *[[:cntrl:]]* ]] || die "the output directory's path holds a control character (such as a line feed): $(printf '%q' "$1")"
  mkdir -p -- "$1" 2>/dev/null || die "cannot create the output directory $1"
  probe=$(mktemp -p "$1" .velmo-write-test.XXXXXX 2>/dev/null) || die "cannot write into the output directory $1"
  rm -f -- "$probe"
}

# The output directory (checked): stored as its Windows path ending in a
# backslash, in code page 932, or made of short names when it has characters
# that code page 932 lacks.
store_output_dir() {
  local unix win encoded
  unix=$(cd -- "$1" && pwd -P)
  win=$(windows_path -w "$unix")
  [ -n "$win" ] || die "Wine gives no Windows path for $unix"
  if ! encoded=$(printf '%s\\' "${win%\\}" | iconv -f UTF-8 -t CP932 2>/dev/null); then
    win=$(short_windows_path "$unix")
    [[ $win =~ ^[A-Za-z]:\\[\ -~]*$ ]] || die "Wine gives no short name in code page 932 for $unix (got '$win')"
    encoded=${win%\\}\\
  fi
  [ "$(printf '%s' "$encoded" | wc -c)" -le 254 ] || die "the output directory's path is too long for the program: $win"
  set_setting Dir "$encoded"
  say "cut frames go to $unix ($win)"
}

# ---- Movies ----------------------------------------------------------------

# probe <path>: the video stream's (and container's) fields as key=value lines;
# rotation is the display rotation in degrees, when the movie has one.
probe() {
  ffprobe -v error -select_streams v:0 -of default=nw=1 \
    -show_entries "stream=codec_name,width,height,avg_frame_rate,r_frame_rate,nb_frames:stream_side_data=rotation:format=format_name" \
    "$1"
}
field() { sed -n "s/^$1=//p" <<<"$2" | head -n 1; }

# plays_directly <path> <info>: whether Wine's movie device shows the movie as
# it is: an AVI that the program's own reader accepts, of Microsoft Video 1,
# Cinepak, uncompressed 8-, 24- or 32-bit rows, or our own lossless 24-bit
# frames (a copy run.sh made), stored bottom-up (a positive height). (24-bit
# rows draw right with the prefix's vidc.mrle codec off.) The program opens
# only files named .avi.
plays_directly() {
  local held
  [[ ${1,,} == *.avi && $(field format_name "$2") == avi ]] || return 1
  build_converter
  held=$("$converter" --describe "$1") || return 1
  [ "$(field readable "$held")" = 1 ] && [ "$(field height "$held")" -gt 0 ] || return 1
  case $(field compression "$held"):$(field bits "$held") in
    MSVC:*|msvc:*|CRAM:*|cram:*|WHAM:*|wham:*|cvid:*|rgb:8|rgb:24|rgb:32|VLM1:24) return 0 ;;
    *) return 1 ;;
  esac
}

# shown_size <info>: the picture's width and height as the movie is meant to be
# shown, "WxH": a rotation by a quarter turn either way swaps them, as in
# ffmpeg's decode, which applies the rotation (any other angle keeps the size).
shown_size() {
  local width height rotation
  width=$(field width "$1"); height=$(field height "$1")
  [[ $width =~ ^[1-9][0-9]*$ && $height =~ ^[1-9][0-9]*$ ]] || return 1
  rotation=$(field rotation "$1")
  if [[ $rotation =~ ^-?[0-9]+$ ]] && [ $(( (rotation % 360 + 360) % 180 )) = 90 ]; then
    echo "${height}x$width"
  else
    echo "${width}x$height"
  fi
}

frame_rate() {
  local rate
  for rate in "$(field avg_frame_rate "$1")" "$(field r_frame_rate "$1")"; do
    [[ $rate =~ ^[1-9][0-9]*/[1-9][0-9]*$ ]] && { echo "$rate"; return; }
  done
  die "the movie has no frame rate"
}

# count_frames <path> <info>: sets frames to the movie's frame count, as its
# container gives it or, when it gives none, as its packets count.
count_frames() {
  frames=$(field nb_frames "$2")
  if ! [[ $frames =~ ^[0-9]+$ ]] || [ "$frames" -eq 0 ]; then
    run_child ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets \
      -of default=nw=1:nk=1 "$1" || true
    frames=$(head -n 1 <<<"$child_output")
  fi
  [[ $frames =~ ^[0-9]+$ ]] && [ "$frames" -gt 0 ] || die "no video frames in $1"
}

# The converter decodes the movie with ffmpeg's libraries, exactly as the
# ffmpeg command line does, into a movie the device shows to its end: one AVI
# 1.0 file of 24-bit rows stored bottom-up and coded by our codec, on every
# core. (ffmpeg's own AVI muxer starts a second RIFF part after a gigabyte,
# where the device stops.)
# It is built with the host's compiler, when first needed and after changes.
converter=$root/build/host/rawavi
build_converter() {
  local log
  command -v g++ >/dev/null || die "g++ is missing (scripts/setup.sh installs it)"
  mkdir -p -- "$root/build"
  # One build at a time; its output is shown only when it fails.
  log=$( {
    flock 9
    [ -f "$root/build/host/build.ninja" ] ||
      cmake -G Ninja -S "$root/server" -B "$root/build/host" -DCMAKE_BUILD_TYPE=Release
    cmake --build "$root/build/host"
  } 9>"$root/build/host.lock" 2>&1 ) || { echo "$log" >&2; die "cannot build the converter (scripts/setup.sh installs what it needs)"; }
}

# Names of converted copies include this, so that copies made in another way
# before are not used (and are replaced). 24-bit rows coded losslessly by our
# codec (codec/), which the program's prefix has installed (scripts/wine-prefix),
# turned bottom-up after the conversion to RGB (copies of pictures of an odd
# height that were turned before it differ from ffmpeg's decode), keeping
# each frame's time in the movie.
copy_format=avi1-vlm1-bottom-up-upright-converted-first-source-times

# seconds <time>: a time as ffmpeg reads it, [[h:]m:]s[.fraction] or
# s[.fraction] with the unit s, ms or us, in seconds; fails on anything else.
seconds() {
  if [[ $1 =~ ^([0-9]+:){0,2}[0-9]+(\.[0-9]*)?$ ]]; then
    LC_ALL=C awk -v t="$1" 'BEGIN { n = split(t, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]
                                    printf "%.6f\n", s }'
  elif [[ $1 =~ ^([0-9]+(\.[0-9]*)?)(s|ms|us)$ ]]; then
    LC_ALL=C awk -v v="${BASH_REMATCH[1]}" -v unit="${BASH_REMATCH[3]}" \
      'BEGIN { printf "%.6f\n", v / (unit == "ms" ? 1000 : unit == "us" ? 1000000 : 1) }'
  else
    return 1
  fi
}

# from_frame <text>: the frame number of --from FRAMEf; fails on anything else.
from_frame() {
  [[ $1 =~ ^([0-9]{1,10})f$ ]] && [ "$((10#${BASH_REMATCH[1]}))" -le 4294967295 ] || return 1
  echo "$((10#${BASH_REMATCH[1]}))"
}

# need_times <path>: sets times, unless it is set, to the time of every frame
# from the movie's start, as ffmpeg counts it for -ss, in frame order (the
# packets' presentation times, read without decoding). Fails when a frame has
# no time.
times=()
need_times() {
  local start sorted
  [ ${#times[@]} -eq 0 ] || return 0
  start=$(ffprobe -v error -show_entries format=start_time -of csv=p=0 "$1")
  [[ $start =~ ^-?[0-9]+(\.[0-9]+)?$ ]] || start=0
  run_child ffprobe -v error -select_streams v:0 -show_entries packet=pts_time -of csv=p=0 "$1" || return 1
  sorted=$(LC_ALL=C awk -v start="$start" '/^-?[0-9]/ { printf "%.6f\n", $1 - start; next } { bad = 1 } END { exit bad }' \
    <<<"$child_output" | LC_ALL=C sort -g) || return 1
  mapfile -t times <<<"$sorted"
}

# time_text <seconds>: the time without trailing zeros, as --from takes it.
time_text() { LC_ALL=C awk -v t="$1" 'BEGIN { s = sprintf("%.6f", t); sub(/0+$/, "", s); sub(/\.$/, "", s); print s }'; }

# ---- The cache -------------------------------------------------------------

# megabytes <bytes>: the size in whole megabytes, rounded up.
megabytes() { echo $((($1 + 1048575) / 1048576)); }

# check_cache_limit: VELMO_CACHE_LIMIT_MB read as decimal (a leading zero does
# not make it octal) and small enough for bash's arithmetic in bytes.
check_cache_limit() {
  [[ $cache_limit_mb =~ ^0*([1-9][0-9]{0,9})$ ]] || die "VELMO_CACHE_LIMIT_MB must be a whole number of megabytes" \
    "from 1 to 9999999999, not '$cache_limit_mb': set it to one, such as 10240 (10 GB), or unset it to have that"
  cache_limit_mb=${BASH_REMATCH[1]}
}

# run.sh's own files in the cache folder are named by this pattern: a copy
# <movie>-<path key>-<version>-<first frame>.velmo-copy.avi, the identity of
# its source beside it (.source instead of .avi), and while it is being made,
# .<the copy's name>.<process id>.part, locked by its writer.
our_name="^\.?[A-Za-z0-9_-]*-[0-9a-f]{10}-[0-9a-f]{10}-[0-9]+\.$mark(\.avi|\.source|\.avi\.[0-9]+\.part)$"
movie_path=

# ours <path>: whether the file is one run.sh made: a plain file with such a
# name, and never the movie being opened.
ours() { [[ ${1##*/} =~ $our_name ]] && [ -f "$1" ] && [ ! -L "$1" ] && ! [ "$1" -ef "$movie_path" ]; }

# our_files <path>...: those of the files that are run.sh's, one a line.
our_files() { local f; for f in "$@"; do if ours "$f"; then echo "$f"; fi; done; }
copies() { our_files "$cache"/*."$mark".avi; }

# remove_ours <path>: removes the file if it is run.sh's, and says what to do
# when the cache folder does not let it.
remove_ours() {
  ours "$1" || return 0
  rm -f -- "$1" 2>/dev/null || die "cannot remove ${1##*/} from the cache folder $cache: make the folder writable," \
    "or set VELMO_CACHE_DIR to a folder you can write"
}
remove_copy() { remove_ours "$1"; remove_ours "${1%.avi}.source"; }

# remove_stale_parts: removes the copies in the making whose writer is gone
# (run.sh and its converter killed outright): nothing holds their lock.
remove_stale_parts() {
  local part lock
  while read -r part; do
    { exec {lock}<"$part"; } 2>/dev/null || continue
    if flock -n "$lock"; then
      say "removing ${part##*/}, left behind by a conversion that was stopped"
      remove_ours "$part"
    fi
    exec {lock}<&-
  done < <(our_files "$cache"/.*."$mark".avi.*.part)
}

# cache_used: the bytes that run.sh's files take in the cache folder, the
# copies others are making included.
cache_used() {
  our_files "$cache"/*."$mark".* "$cache"/.*."$mark".* | tr '\n' '\0' | xargs -0 -r stat -c %s -- |
    awk '{ s += $1 } END { printf "%.0f\n", s }'
}

# least_recent_copy: the copy used longest ago (each use touches it).
least_recent_copy() {
  copies | tr '\n' '\0' | xargs -0 -r stat -c '%.9Y %n' -- | sort -n | awk 'NR == 1 { sub(/^[^ ]* /, ""); print }'
}

# make_room <bytes>: removes what conversions stopped midway left behind, then
# the least recently used copies until the cache, with a new copy of that
# size, stays within its limit.
make_room() {
  local limit=$((cache_limit_mb * 1048576)) oldest
  [ "$1" -le "$limit" ] || die "converting $movie_path takes up to $(megabytes "$1") MB, more than the cache's limit" \
    "of $cache_limit_mb MB: set VELMO_CACHE_LIMIT_MB to $(megabytes "$1") or more"
  remove_stale_parts
  while [ $(($(cache_used) + $1)) -gt "$limit" ]; do
    oldest=$(least_recent_copy)
    [ -n "$oldest" ] || return 0
    say "removing the least recently used copy ${oldest##*/} to keep the cache within $cache_limit_mb MB"
    remove_copy "$oldest"
  done
}

# source_identity <movie> <first frame>: what ties a copy to the movie it was
# made from: the movie's path, size, modification time and a hash of its first
# 8 MB, and the copy's format and first frame.
source_identity() {
  printf 'source=%q\nsize=%s\ntime=%s\nhead=%s\nformat=%s\nfirst=%s\n' "$1" "$(stat -c %s -- "$1")" \
    "$(stat -c %.9Y -- "$1")" "$(head -c 8M -- "$1" | sha1sum | cut -d' ' -f1)" "$copy_format" "$2"
}

# copy_identity <copy>: its size and a hash of its last megabyte (coded frames
# and the index), where another file put in its place differs.
copy_identity() { printf 'copy=%s %s\n' "$(stat -c %s -- "$1")" "$(tail -c 1M -- "$1" | sha1sum | cut -d' ' -f1)"; }

# trusted <copy> <source identity>: whether the copy is the one run.sh made
# from the movie as it is now, as the file beside it tells.
trusted() { [ "$(grep -v '^full=' -- "${1%.avi}.source" 2>/dev/null)" = "$2"$'\n'"$(copy_identity "$1")" ]; }

# ---- Converting ------------------------------------------------------------

# convert <movie> <info>: sets playable to its converted copy, made now or
# before. A copy holds the stretch of the movie that fits in an AVI 1.0 file,
# from frame 0 or from the first frame at or after --from; the frames before
# the stretch are empty placeholders, so that every frame keeps the source's
# number. Its frames are coded losslessly by our codec, so how many fit is
# known only once they are coded: at least those that fit uncompressed, at
# most all to the movie's end. Copies are named by the source's path and the
# stretch's first frame and keyed by its size and modification time; copies
# of an older version of the same path are removed. A copy is used again only
# when the identity kept beside it is the movie's.
convert() {
  local path=$1 info=$2 base key version stem entry identity picture width height rate frames first last
  local capacity sure need free tmp lock seek="" from stale written full
  picture=$(shown_size "$info") || die "no picture size in $path"
  width=${picture%x*}; height=${picture#*x}
  rate=$(frame_rate "$info")
  build_converter
  capacity=$("$converter" --capacity --size "$picture" --bits 24 --coded) || die "cannot convert $path"
  count_frames "$path" "$info"
  first=0
  # Frame times are read only when they are needed: for a stretch, and for
  # telling where the frames after a full copy are.
  if [ -n "$from_time" ] || [ "$frames" -gt "$capacity" ]; then
    need_times "$path" || die "cannot tell the times of the frames of $path, which a stretch needs; convert it without --from"
    frames=${#times[@]}
  fi
  if [ -n "$from_time" ]; then
    if first=$(from_frame "$from_time"); then
      [ "$first" -lt "$frames" ] || first=
    else
      from=$(seconds "$from_time")
      # The first frame at or after the time (times have microseconds).
      first=$(printf '%s\n' "${times[@]}" | LC_ALL=C awk -v from="$from" \
        '!found && $1 >= from - 0.0000005 { print NR - 1; found = 1 }')
    fi
    [ -n "$first" ] || die "--from $from_time lies after the last frame of $path (frame $((frames - 1)) at" \
      "$(time_text "${times[frames - 1]}") s)"
    capacity=$("$converter" --capacity --size "$picture" --bits 24 --coded --empty "$first") || die "cannot convert $path"
    # The conversion starts half a frame before it, so that it starts exactly there.
    [ "$first" = 0 ] || seek=$(LC_ALL=C awk -v a="${times[first - 1]}" -v b="${times[first]}" \
      'BEGIN { printf "%.6f", (a + b) / 2 }')
  fi
  # The last frame the copy holds for sure, and the last it may hold.
  sure=$(( frames - first < capacity ? frames - 1 : first + capacity - 1 ))
  last=$((frames - 1))

  base=$(basename -- "$path"); base=${base%.*}; base=$(printf '%s' "$base" | LC_ALL=C tr -c 'A-Za-z0-9_-' _ | cut -c1-32)
  key=$(printf '%s' "$path" | sha1sum | cut -c1-10)
  version=$(printf '%s\n%s\n%s' "$(stat -c %s -- "$path")" "$(stat -c %.9Y -- "$path")" "$copy_format" | sha1sum | cut -c1-10)
  stem=$base-$key-$version-$first.$mark
  entry=$cache/$stem.avi
  identity=$(source_identity "$path" "$first")
  if [ -f "$entry" ]; then
    if trusted "$entry" "$identity"; then
      say "using the converted copy made before: $entry"
      written=$("$converter" --describe "$entry") || die "cannot read the copy $entry"
      full=$(sed -n 's/^full=//p' -- "$cache/$stem.source")
      # Recently used: the last to go when the cache is full (a read-only cache keeps its order).
      touch -- "$entry" 2>/dev/null || true
      tell_held "$first" "$(( $(field frames "$written") - 1 ))" "$frames" "$full"
      playable=$entry; playable_first=$first; return
    fi
    say "the converted copy $entry is not the one made from $path as it is now (changed or damaged since): making it again"
    remove_copy "$entry"
  fi

  say "Wine's movie device cannot show $path ($(field codec_name "$info") in $(field format_name "$info"))"
  tell_stretch "$first" "$sure" "$frames"
  mkdir -p -- "$cache" 2>/dev/null || die "cannot create the cache folder $cache: set VELMO_CACHE_DIR to a folder you can write"
  # At most: the frames coded at their largest (each row's byte, its blocks'
  # kinds and every byte as it is), with their chunk headers and index
  # entries, and room for the headers; never more than an AVI file holds.
  need=$(( (last - first + 1) * ((1 + (width * 3 / 16 + 3) / 4 + width * 3) * height + 27) + first * 24 + 65536 ))
  [ "$need" -le 2147483647 ] || need=2147483647
  for stale in "$cache/"*"-$key-"*".$mark.avi"; do
    if [[ $stale != *"-$key-$version-"* ]]; then remove_copy "$stale"; fi
  done
  make_room "$need"
  free=$(df -P -B1 -- "$cache" | awk 'NR == 2 { print $4 }')
  if [ "$need" -gt "$free" ]; then
    die "converting $path needs up to $(megabytes "$need") MB in $cache, but only $((free / 1048576)) MB are free;" \
        "free some space or set VELMO_CACHE_DIR to a folder on a larger disk"
  fi
  say "converting it once into an AVI of losslessly coded frames (frames $first to at most $last of" \
      "${width}x$height, up to $(megabytes "$need") MB) in $cache"
  tmp=$cache/.$stem.avi.$$.part
  # Locked while run.sh or the converter lives: a part nobody holds is left over.
  { exec {lock}>"$tmp"; } 2>/dev/null || die "cannot write into the cache folder $cache: make it writable, or set" \
    "VELMO_CACHE_DIR to a folder you can write"
  partial+=("$tmp")
  flock "$lock"
  # Every decoded frame of the stretch becomes one frame of the copy, in order,
  # after the placeholders, so frame numbers stay those of the source. The
  # converter stops when the file is full, and shows how far it is.
  run_child "$converter" "$tmp" --movie "$path" ${seek:+--from "$seek"} --size "$picture" --fps "$rate" --bits 24 \
    --coded --empty "$first" || die "could not convert $path"
  written=$child_output
  full=$(field full "$written")
  mv -f -- "$tmp" "$entry"
  exec {lock}>&-
  cleanup_partial
  { printf '%s\n' "$identity"; copy_identity "$entry"; echo "full=$full"; } >"$cache/$stem.source"
  tell_held "$first" "$(( $(field frames "$written") - 1 ))" "$frames" "$full"
  playable=$entry; playable_first=$first
}

# tell_stretch <first> <sure> <frames of the movie>: says, before converting,
# which frames the copy will hold when not all: those from first on, at least
# to sure, as many as fit; and how the others are reached. The frame times are
# in the array times.
tell_stretch() {
  local first=$1 sure=$2 frames=$3 most=
  [ "$first" -gt 0 ] || [ "$sure" -lt $((frames - 1)) ] || return 0
  [ "$sure" = $((frames - 1)) ] ||
    most=", as many as fit in the 2 GB of an AVI file that Wine's movie device reads: at least frames $first to $sure"
  say "the copy holds frames $first to $((frames - 1)) of the movie's $frames frames ($(time_text "${times[first]}") s" \
      "to $(time_text "${times[frames - 1]}") s)$most"
  [ "$first" = 0 ] || say "frames before $first are empty in it and cannot be cut; run.sh without --from (or with" \
      "an earlier time) reaches them"
  [ "$sure" = $((frames - 1)) ] || say "if they do not all fit, run.sh says where the next stretch starts when the" \
      "copy is made"
}

# tell_held <first> <last> <frames of the movie> <full>: says which frames a
# copy holds when it stops before the movie's end, and why: the AVI file was
# full (then also the run.sh command that reaches the frames after it), or the
# movie's decoder gave no more, though its container counts more.
tell_held() {
  local first=$1 last=$2 frames=$3 full=$4
  [ "$last" -lt $((frames - 1)) ] || return 0
  if [ "$full" != 1 ]; then
    say "the movie's decoder gives frames $first to $last only, where its container counts $frames frames: the copy" \
        "holds every frame it gives (the movie may be damaged or cut short)"
  elif need_times "$movie_path" && [ "$last" -lt $((${#times[@]} - 1)) ]; then
    say "the copy holds frames $first to $last of the movie's $frames frames ($(time_text "${times[first]}") s to" \
        "$(time_text "${times[last]}") s), all that fit in the 2 GB of an AVI file that Wine's movie device reads"
    say "to reach the frames from $((last + 1)) on: run.sh --from $(time_text "${times[last + 1]}") (the first frame" \
        "at or after that time in seconds)"
  else
    say "the copy holds frames $first to $last of the movie's $frames frames, all that fit in the 2 GB of an AVI file" \
        "that Wine's movie device reads; the frames after them would need run.sh --from with the time of frame" \
        "$((last + 1)), which ffprobe does not tell"
  fi
}

# check_movie_readable <movie>: refuses a movie that is missing or that the
# user may not read, saying so rather than blaming its format.
check_movie_readable() {
  local error
  [ -f "$1" ] || die "no such movie: $1"
  error=$(head -c 1 -- "$1" 2>&1 >/dev/null) || die "cannot read the movie $1: ${error##*: }"
}

# prepare_movie <movie>: sets playable to the movie or to a copy the device
# shows, and playable_first to the frame the program opens on.
prepare_movie() {
  local path info
  playable_first=0
  check_movie_readable "$1"
  command -v ffprobe >/dev/null || die "ffprobe is missing (scripts/setup.sh installs ffmpeg)"
  path=$(realpath -- "$1")
  movie_path=$path
  info=$(probe "$path" 2>/dev/null) || die "$1 is not a movie ffmpeg can read"
  [ -n "$(field codec_name "$info")" ] || die "$1 has no video stream"
  if plays_directly "$path" "$info"; then
    [ -z "$from_time" ] || say "the movie device shows $1 as it is, every frame of it: --from is not needed"
    playable=$path
  else
    convert "$path" "$info"
  fi
}

# ---- Running ---------------------------------------------------------------

# Arguments the program could not use are refused before anything is built.
check_cache_limit
[ -z "$movie" ] || check_movie_readable "$movie"
[ -z "$from_time" ] || seconds "$from_time" >/dev/null || from_frame "$from_time" >/dev/null ||
  die "--from takes a time as ffmpeg reads it, seconds (12.5) or h:mm:ss.fraction (1:02:03.5), or a frame" \
    "number with f (100000f), not $from_time"
[ -z "$output_dir" ] || check_output_dir "$output_dir"

if [ "$build" = 1 ]; then
  "$root/scripts/setup.sh"
  "$root/scripts/enable-i386"
  [ -f "$dir/build.ninja" ] || cmake -G Ninja -S "$root" -B "$dir" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686-posix.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$dir" --target velmo32 velmocodec velmodemo sample_movie
fi

movie=${movie:-$dir/sample/sample.avi}
prepare_prefix
prepare_movie "$movie"
argument=$(program_path "$playable")
if [ -z "${DISPLAY:-}" ] && [ "$prepare_only" = 0 ]; then
  output_dir=${output_dir:-$dir/demo/out}
  rm -rf -- "$dir/demo/out"
  check_output_dir "$output_dir"
fi
# The first time, without -o, a folder of the user's rather than the program's
# prompt, which offers a drive that may not be there.
if [ -z "$output_dir" ] && [ -z "$(stored_setting Dir)" ] && [ -n "${HOME:-}" ]; then
  output_dir=$HOME/Pictures/velmo
  check_output_dir "$output_dir"
  say "no folder for cut frames is set yet: they go to $output_dir (run.sh -o DIR or the program's" \
      "output directory command changes it)"
fi
[ -z "$output_dir" ] || store_output_dir "$output_dir"

if [ "$prepare_only" = 1 ]; then
  echo "$argument"
  exit 0
fi

run() { "$root/scripts/wine-run" "$@"; }
if [ -n "${DISPLAY:-}" ]; then
  export VELMO_DISPLAY_24=$DISPLAY
  # The program skips the first word after its name: the movie is the second.
  exec "$root/scripts/wine-run" "$dir/app/velmo32.exe" movie "$argument"
fi

# The demonstration runs in a Wine virtual desktop, which draws the windows'
# captions and frames itself, as a user sees them.
source "$root/scripts/displays.sh"
on_exit() {
  stop_child
  cleanup_partial
  stop_displays
  for p in "$VELMO_WINE_ROOT"/prefix*/; do [ -d "$p" ] && WINEPREFIX=$p wineserver -k 2>/dev/null; done
  true
}
start_displays

desktop=velmo,800x600
demo=$dir/demo
mkdir -p "$demo"
run "$prefix/drive_c/windows/explorer.exe" /desktop=$desktop "$dir/app/velmo32.exe" movie "$argument" &
program=$!
drive() { run "$dir/tools/velmodemo.exe" --desktop "${desktop%%,*}" "$@"; }
# Frames 2 to 6 of the copy's stretch, counted from the frame it opens on.
drive cut "$(windows_path -w "$(cd -- "$output_dir" && pwd -P)")" $((playable_first + 2)) $((playable_first + 6)) \
  "$playable_first"
import -display "$DISPLAY" -window root -crop 800x600+0+0 +repage "$demo/velmo32.png"
drive close
wait "$program" || true

echo "Movie:       $movie"
echo "Cut frames:  $output_dir/ ($(ls "$output_dir" | tr '\n' ' '))"
echo "Screenshot:  $demo/velmo32.png"
