#!/usr/bin/env bash
# Installs what is missing, builds velmo32.exe and runs it under Wine with the
# Japanese locale, on the bundled sample movie or on the movie given.
#   scripts/run.sh [movie.avi]
# Without a display it runs on a virtual one and shows a short demonstration
# instead: it marks a range, cuts it into build/i686/demo/out, saves a
# screenshot of the window as build/i686/demo/velmo32.png and exits.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/enable-i386"

dir=$root/build/i686
[ -f "$dir/build.ninja" ] || cmake -G Ninja -S "$root" -B "$dir" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686-posix.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
export VELMO_WINE_ROOT=$root/build/run-wine
cmake --build "$dir" --target velmo32 velmodemo sample_movie

movie=${1:-$dir/sample/sample.avi}
[ -f "$movie" ] || { echo "run.sh: no such movie: $movie" >&2; exit 1; }
movie=$(cd "$(dirname "$movie")" && pwd)/$(basename "$movie")
run() { "$root/scripts/wine-run" "$@"; }
winpath() { echo "Z:${1//\//\\}"; }

if [ -n "${DISPLAY:-}" ]; then
  export VELMO_DISPLAY_24=$DISPLAY
  # The program skips the first word after its name: the movie is the second.
  exec "$root/scripts/wine-run" "$dir/app/velmo32.exe" movie "$(winpath "$movie")"
fi

source "$root/scripts/displays.sh"
cleanup() {
  stop_displays
  for p in "$VELMO_WINE_ROOT"/prefix*/; do [ -d "$p" ] && WINEPREFIX=$p wineserver -k 2>/dev/null; done
  true
}
trap cleanup EXIT
start_displays

demo=$dir/demo
rm -rf "$demo/out" && mkdir -p "$demo/out"
# The program's settings name the demonstration's output directory.
"$root/scripts/wine-prefix" "$VELMO_WINE_ROOT/prefix24"
printf '[Screen]\r\nDir=%s\\\r\n' "$(winpath "$demo/out")" >"$VELMO_WINE_ROOT/prefix24/drive_c/windows/velmo32.ini"

run "$dir/app/velmo32.exe" movie "$(winpath "$movie")" &
program=$!
run "$dir/tools/velmodemo.exe" cut "$(winpath "$demo/out")"
import -display "$DISPLAY" -window root "$demo/velmo32.png"
run "$dir/tools/velmodemo.exe" close
wait "$program" || true

echo "Movie:       $movie"
echo "Cut frames:  $demo/out/ ($(ls "$demo/out" | tr '\n' ' '))"
echo "Screenshot:  $demo/velmo32.png"
