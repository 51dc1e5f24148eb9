#!/usr/bin/env bash
# Installs what is missing, builds velmo32.exe and runs it under Wine with the
# Japanese locale. Without a display a virtual one is started.
#   scripts/run.sh [movie.avi]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/enable-i386"

dir=$root/build/i686
[ -f "$dir/build.ninja" ] || cmake -G Ninja -S "$root" -B "$dir" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686-posix.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" --target velmo32

export VELMO_WINE_ROOT=$root/build/run-wine
if [ -z "${DISPLAY:-}" ]; then
  source "$root/scripts/displays.sh"
  trap stop_displays EXIT
  start_displays
fi
export VELMO_DISPLAY_24=$DISPLAY

args=()
[ $# -gt 0 ] && args+=("$1")
"$root/scripts/wine-run" "$dir/app/velmo32.exe" "${args[@]}"
