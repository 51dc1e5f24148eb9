#!/usr/bin/env bash
# Installs what is missing, builds velmo32.exe and the frame server, and runs
# the program under Wine (Japanese locale) on the bundled sample movie or the
# movie given, with the run's frame server beside it. Without a display it
# runs a short demonstration on a virtual one instead.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
export VELMO_WINE_ROOT=${VELMO_WINE_ROOT:-$root/build/run-wine}
prefix=$VELMO_WINE_ROOT/prefix24
settings=$prefix/drive_c/windows/velmo32.ini
velmoserve=$root/build/host/velmoserve

usage() {
  cat <<EOF
Usage: scripts/run.sh [-o DIR] [--from TIME|FRAMEf] [--arch i686|x86_64] [movie]

Runs velmo32.exe under Wine on the movie given (the bundled sample movie by
default). Any movie ffmpeg reads will do, of any length: one that Wine's movie
device cannot show (MJPEG, H.264, MP4, MKV, MPEG transport streams, ...) is
indexed once into a small AVI in the cache folder, and the frame server that
run.sh starts beside the program decodes its frames as they are asked for.

  -o DIR            cut frames go to DIR (created if needed); without it they
                    go where they went before, or, the first time, to
                    ~/Pictures/velmo (created)
  --from TIME       the program opens on the first frame at or after TIME
                    (seconds, or h:mm:ss.fraction); every frame stays reachable
  --from FRAMEf     the program opens on frame number FRAME (--from 100000f)
  --arch i686       run the 32-bit program; the default where this machine
                    runs 32-bit programs itself
  --arch x86_64     run the same program built for 64-bit Windows; the default
                    where 32-bit programs would run only through qemu's
                    emulator (several times slower). VELMO_ARCH=i686|x86_64
                    chooses too. Both write the same files, byte for byte.
  --no-build        run the program as it is built: install and build nothing
                    but the frame server
  --prepare-only    prepare the movie and store the settings, print the path
                    and the frame the program would be given, start nothing
  -h, --help        this text

Without a display (no DISPLAY) it shows a short demonstration on a virtual one:
it cuts a range into build/ARCH/demo/out (or DIR) and saves a screenshot of
the window as build/ARCH/demo/velmo32.png.

Index files:    $("$velmoserve" cache-folder 2>/dev/null || echo "\$VELMO_CACHE_DIR, else ~/.cache/velmo")
                (a few MB a movie; nothing else there is ever removed)
Settings file:  $settings
Build run here: $("$root/scripts/program-arch") (without --arch or VELMO_ARCH)
EOF
}

die() { echo "run.sh: $*" >&2; exit 1; }
say() { echo "run.sh: $*" >&2; }

output_dir= from= movie= prepare_only=0 build=1 arch=${VELMO_ARCH:-}
while [ $# -gt 0 ]; do
  case $1 in
    -h|--help) usage; exit 0 ;;
    -o) [ $# -ge 2 ] && [ -n "$2" ] || die "-o needs a directory"; output_dir=$2; shift 2 ;;
    --from) [ $# -ge 2 ] || die "--from needs a time"; from=$2; shift 2 ;;
    --arch) [ $# -ge 2 ] || die "--arch needs i686 or x86_64"; arch=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    --prepare-only) prepare_only=1; build=0; shift ;;
    --) shift; [ $# -eq 0 ] || { [ -z "$movie" ] || die "one movie at a time"; movie=$1; shift; }; break ;;
    -*) die "unknown option $1 (see run.sh --help)" ;;
    *) [ -z "$movie" ] || die "one movie at a time (see run.sh --help)"; movie=$1; shift ;;
  esac
done
[ $# -eq 0 ] || die "one movie at a time (see run.sh --help)"
case $arch in
  ''|i686|x86_64) ;;
  *) die "no build for the architecture '$arch': i686 (32-bit) or x86_64 (64-bit)" ;;
esac

# The program and the frame server end with run.sh: INT and TERM end them at
# once (a shell runs its traps only once a command in the foreground is done),
# and the frame server ends when its standard input, a pipe run.sh holds, ends.
child= server_pid= server_in=
stop_children() {
  [ -z "$child" ] || kill -TERM "$child" 2>/dev/null || true
  [ -n "$server_pid" ] || return 0
  exec {server_in}>&-
  kill -TERM "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
}
on_exit() { stop_children; }
trap on_exit EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# ---- Windows paths and settings --------------------------------------------

# windows_path -w|-s <path>: the path as Wine gives it to Windows programs,
# long (-w) or made of short 8.3 names (-s), as UTF-8 text.
windows_path() {
  VELMO_WINEPREFIX=$prefix "$root/scripts/wine-run" "$prefix/drive_c/windows/system32/winepath.exe" "$1" "$2" \
    </dev/null | tr -d '\r'
}
# The path of an existing file or folder in short 8.3 names: ASCII for any name.
short_windows_path() { windows_path -s "$(windows_path -w "$1")"; }

# check_output_dir <dir>: refuses a folder the program could not use: a path
# with control characters (a line feed would end the settings line), or a
# folder that cannot be created or written.
check_output_dir() {
  local probe
  [[ $1 != *[[:cntrl:]]* ]] || die "the output directory's path holds a control character (such as a line feed): $(printf '%q' "$1")"
  mkdir -p -- "$1" 2>/dev/null || die "cannot create the output directory $1"
  probe=$(mktemp -p "$1" .velmo-write-test.XXXXXX 2>/dev/null) || die "cannot write into the output directory $1"
  rm -f -- "$probe"
}

# The output directory (checked), stored as its Windows path ending in a
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
  "$velmoserve" setting "$settings" Dir "$encoded" || die "cannot store the output directory in $settings"
  say "cut frames go to $unix ($win)"
}

# ---- Building --------------------------------------------------------------

# Arguments the program could not use are refused before anything is built.
[ -z "$output_dir" ] || check_output_dir "$output_dir"
[ "$build" = 0 ] || "$root/scripts/setup.sh"
# The 32-bit program, or its 64-bit build where 32-bit programs run only emulated.
if [ -z "$arch" ]; then
  arch=$("$root/scripts/program-arch")
  [ "$arch" = i686 ] && why="run.sh --arch x86_64 runs its 64-bit build" ||
    why="this machine does not run 32-bit programs itself, only through qemu, several times slower; run.sh --arch i686 runs the 32-bit one"
else
  why="chosen with --arch or VELMO_ARCH"
fi
dir=$root/build/$arch
if [ "$build" = 1 ]; then
  [ "$arch" != i686 ] || "$root/scripts/enable-i386"
  [ -f "$dir/build.ninja" ] || cmake -G Ninja -S "$root" -B "$dir" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch-posix.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$dir" --target velmo32 velmocodec velmoserved velmodemo sample_movie
fi
# The frame server, built with the host's compiler.
"$root/scripts/build-server" || die "cannot build the frame server (scripts/setup.sh installs what it needs)"

# ---- Running ---------------------------------------------------------------

movie=${movie:-$dir/sample/sample.avi}
# The preparation ends too should run.sh be killed outright.
prepared=$(setpriv --pdeathsig TERM -- "$velmoserve" prepare ${from:+--from "$from"} "$movie") || exit 1
playable=$(sed -n 's/^playable=//p' <<<"$prepared") first=$(sed -n 's/^first=//p' <<<"$prepared")
# The program's Wine prefix. Wine draws the caption buttons with the Marlett
# font of fonts-wine, which it finds only in the prefix's own font folder.
"$root/scripts/wine-prefix" "$prefix"
marlett=/usr/share/wine/fonts/marlett.ttf fonts=$prefix/drive_c/windows/Fonts
[ ! -f "$marlett" ] || [ -e "$fonts/marlett.ttf" ] || { mkdir -p "$fonts" && ln -sf "$marlett" "$fonts/marlett.ttf"; }
# The program keeps its command line only up to the first blank and reads it
# in code page 932: the short name has neither blanks nor other characters.
argument=$(short_windows_path "$playable")
[[ $argument =~ ^[A-Za-z]:\\[!-~]*$ ]] || die "Wine gives no short name without blanks for $playable (got '$argument')"
if [ -z "${DISPLAY:-}" ] && [ "$prepare_only" = 0 ]; then
  output_dir=${output_dir:-$dir/demo/out}
  rm -rf -- "$dir/demo/out"
  check_output_dir "$output_dir"
fi
# The first time, without -o, a folder of the user's rather than the program's
# prompt, which offers a drive that may not be there.
if [ -z "$output_dir" ] && [ -z "$("$velmoserve" setting "$settings" Dir)" ] && [ -n "${HOME:-}" ]; then
  output_dir=$HOME/Pictures/velmo
  check_output_dir "$output_dir"
  say "no folder for cut frames is set yet: they go to $output_dir (run.sh -o DIR or the program's" \
      "output directory command changes it)"
fi
[ -z "$output_dir" ] || store_output_dir "$output_dir"

if [ "$prepare_only" = 1 ]; then
  printf '%s\n%s\n' "$argument" "$first"
  exit 0
fi
[ "$arch" = i686 ] && say "the 32-bit program ($why)" || say "the 64-bit build of the program ($why)"

# The run's frame server, a child of run.sh, with a fresh secret that it and
# Wine get in their environments only (a command line is for all to see).
secret=$(od -An -vtx1 -N32 /dev/urandom | tr -d ' \n')
coproc server { VELMO_FRAME_SECRET=$secret exec "$velmoserve" serve; }
server_pid=$server_PID server_in=${server[1]}
read -r port <&"${server[0]}" && [[ $port =~ ^port=[0-9]+$ ]] || die "the frame server did not start"
run() { VELMO_FRAME_SERVER=127.0.0.1:${port#port=} VELMO_FRAME_SECRET=$secret "$root/scripts/wine-run" "$@"; }
# The program in the background, its process the child (wine-run execs Wine), which run.sh can end.
start_program() { (VELMO_FRAME_SERVER=127.0.0.1:${port#port=} VELMO_FRAME_SECRET=$secret exec "$root/scripts/wine-run" "$@") & child=$!; }

if [ -n "${DISPLAY:-}" ]; then
  export VELMO_DISPLAY_24=$DISPLAY
  # The program skips the first word after its name: the movie is the second.
  start_program "$dir/app/velmo32.exe" movie "$argument" "$first"
  wait "$child"
  exit 0
fi

# The demonstration runs in a Wine virtual desktop, which draws the windows'
# captions and frames itself, as a user sees them.
source "$root/scripts/displays.sh"
on_exit() {
  stop_children
  stop_displays
  for p in "$VELMO_WINE_ROOT"/prefix*/; do [ -d "$p" ] && WINEPREFIX=$p wineserver -k 2>/dev/null; done
  true
}
start_displays
desktop=velmo,800x600
mkdir -p "$dir/demo"
start_program "$prefix/drive_c/windows/explorer.exe" /desktop=$desktop "$dir/app/velmo32.exe" movie "$argument" "$first"
drive() { run "$dir/tools/velmodemo.exe" --desktop "${desktop%%,*}" "$@"; }
# Frames 2 to 6 counted from the frame it opens on.
drive cut "$(windows_path -w "$(cd -- "$output_dir" && pwd -P)")" $((first + 2)) $((first + 6)) "$first"
import -display "$DISPLAY" -window root -crop 800x600+0+0 +repage "$dir/demo/velmo32.png"
drive close
wait "$child" || true

echo "Movie:       $movie"
echo "Cut frames:  $output_dir/ ($(ls "$output_dir" | tr '\n' ' '))"
echo "Screenshot:  $dir/demo/velmo32.png"
