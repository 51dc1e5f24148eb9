# Shared by the tests of scripts/run.sh: a scratch folder, movies made with
# ffmpeg's test source, and checks that count failures instead of stopping.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
run_sh=$root/scripts/run.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/velmo-run-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
# A command that fails where the test expects success ends the test: say which,
# and what the run.sh it ran last said, before the scratch folder goes.
trap 'echo "FAILED: line $LINENO: $BASH_COMMAND"; told=$(ls -t "$work"/*.err 2>/dev/null | head -n 1) &&
  sed "s|^|  $(basename "$told"): |" "$told"' ERR
export VELMO_CACHE_DIR=$work/cache
# run.sh makes its first folder for cut frames in the home: the tests' own.
export HOME=$work/home
mkdir -p "$HOME"
# run.sh, and everything it starts, runs on the display and in the Wine prefix
# of the test's own display slot.
source "$root/scripts/display-slot.sh"
: "${VELMO_WINE_ROOT:?scripts/test.sh names the Wine root}"
export VELMO_WINE_ROOT

failures=0
pass() { echo "ok: $1"; }
fail() { echo "FAILED: $1"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }
finish() { [ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }; }

# make_movie <file> <ffmpeg output options...>: 30 frames of 160x120 at 25/s.
make_movie() {
  local file=$1; shift
  mkdir -p -- "$(dirname -- "$file")"
  ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=${MOVIE_SIZE:-160x120}:rate=25 -frames:v "${MOVIE_FRAMES:-30}" \
    "$@" "$file"
}

# The Unix path of a Windows path, as the program's Wine prefix resolves it.
unix_path() {
  VELMO_WINEPREFIX=$VELMO_WINE_ROOT/prefix24 "$root/scripts/wine-run" \
    "$VELMO_WINE_ROOT/prefix24/drive_c/windows/system32/winepath.exe" -u "$1" </dev/null | tr -d '\r'
}

settings_file() { echo "$VELMO_WINE_ROOT/prefix24/drive_c/windows/velmo32.ini"; }
cache_entries() { find "$VELMO_CACHE_DIR" -mindepth 1 2>/dev/null | sort; }
# The index files velmoserve made in the cache.
cache_indexes() { find "$VELMO_CACHE_DIR" -maxdepth 1 -name '*.velmo-index.avi' 2>/dev/null | sort; }

# as_another_user <command...>: runs the command as a user to whom the
# permission bits apply (nobody, when the tests run as root), with a home in
# the scratch folder. Files it must reach need to be open to others.
as_another_user() {
  local home=$work/others-home
  mkdir -p "$home" && chmod 777 "$home"
  chmod o+x "$work"
  if [ "$(id -u)" = 0 ]; then
    setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$home" "$@"
  else
    env HOME="$home" "$@"
  fi
}
