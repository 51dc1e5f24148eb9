#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under Wine on
# private virtual displays (depths 24, 16 and 8). Exits with CTest's status.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

# The product is the 32-bit program; it is always built, and its whole suite
# runs wherever the host can execute 32-bit programs (Wine's 32-bit loader
# needs the kernel's ia32 emulation, or qemu: scripts/enable-i386). run.sh runs
# the 64-bit build of the same program where 32-bit programs would run only
# emulated, so that build is always tested too: its end-to-end cut tests (CTest
# label "cut"), or the whole suite where 32-bit programs cannot run at all.
product=$("$root/scripts/test-arch")
[ "$product" = i686 ] && echo "test.sh: the whole suite on i686, the product; its cut tests also on x86_64" ||
  echo "test.sh: this machine runs no 32-bit programs: the whole suite on x86_64"

# Configured once; the build itself re-runs CMake when a CMakeLists.txt changes.
# The Windows tools the build runs (the movie writer) run in the Wine prefix
# that the tests' display slots copy (scripts/wine-prefix).
build() {  # build <arch> <tests ON|OFF> [target]
  local dir=$root/build/$1 targets=()
  [ -z "${3:-}" ] || targets=(--target "$3")
  [ -f "$dir/build.ninja" ] || cmake -G Ninja -S "$root" -B "$dir" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$1-posix.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  grep -qx "VELMO_BUILD_TESTS:BOOL=$2" "$dir/CMakeCache.txt" || cmake -S "$root" -B "$dir" -DVELMO_BUILD_TESTS="$2" >/dev/null
  VELMO_WINE_ROOT=$dir/wine VELMO_WINEPREFIX=$dir/wine/template cmake --build "$dir" "${targets[@]}" -- -k 0
}
if [ "$product" = i686 ]; then
  build i686 ON
  build x86_64 ON cut_tests
else
  build i686 OFF
  build x86_64 ON
fi
# The frame server and its tools, which the run.sh tests use (run.sh builds
# it too, but a test may use its tools before that).
"$root/scripts/build-server"
# The tools' Wine servers must not outlive the build: the slots' prefixes are
# copied from their prefixes.
for template in "$root"/build/{i686,x86_64}/wine/template; do
  [ ! -d "$template" ] || WINEPREFIX=$template wineserver -k 2>/dev/null || true
done

# Tests run side by side, by default two more than the cores, since much of
# their time is spent waiting on Wine and the X server. Each test that needs a
# display gets a slot of its depth from CTest: a display and a Wine prefix
# (scripts/display-slot.sh) that no other test uses while it runs. The few
# tests of depth 16 and 8 share one slot each.
jobs=${VELMO_TEST_JOBS:-$(($(nproc) + 2))}
source "$root/scripts/displays.sh"
# Prefixes of the time before slots (one per depth, and one of the run.sh
# tests) are no longer used: 1.3 GB each.
rm -rf "$root"/build/{i686,x86_64}/wine/prefix* "$root"/build/{i686,x86_64}/wine-scripts
stop_wine() {  # every slot's Wine server and programs; a prefix not in use has none
  local p
  for p in "$root"/build/{i686,x86_64}/wine/slot*/prefix*/; do
    [ ! -d "$p" ] || WINEPREFIX=$p wineserver -k 2>/dev/null || true
  done
}
trap 'stop_displays; stop_wine' EXIT
start_displays "$jobs" 1 1

slots() {  # slots <count>: the JSON list of <count> display slots
  local i list=
  for ((i = 0; i < $1; i++)); do list+="${list:+,}{\"id\":\"$i\",\"slots\":1}"; done
  echo "[$list]"
}
spec=$root/build/display-slots.json
cat >"$spec" <<EOF
{"version": {"major": 1, "minor": 0},
 "local": [{"display24": $(slots "$jobs"), "display16": $(slots 1), "display8": $(slots 1)}]}
EOF

# run_tests <arch> [ctest options...]: that build's tests, each in the Wine
# prefix of its display slot under the build's own Wine root, whose unchanging
# files are hard links to the build's template prefix (scripts/wine-prefix). Waits for work
# whose length depends on the machine's speed stretch where 32-bit programs run
# through qemu (scripts/enable-i386): the suite takes some six times as long.
run_tests() {
  local arch=$1 scale=${VELMO_TEST_TIME_SCALE:-}
  shift
  if [ -z "$scale" ]; then
    scale=1
    [ "$arch" != i686 ] || ! grep -qx enabled /proc/sys/fs/binfmt_misc/velmo-i386 2>/dev/null || scale=6
  fi
  VELMO_WINE_ROOT=$root/build/$arch/wine VELMO_WINE_TEMPLATE=$root/build/$arch/wine/template \
    VELMO_TEST_TIME_SCALE=$scale \
    ctest --test-dir "$root/build/$arch" -j "$jobs" --resource-spec-file "$spec" --output-on-failure \
    --timeout $((600 * scale)) "$@" </dev/null
}
status=0
if [ "$product" = i686 ]; then
  run_tests i686 "$@" || status=$?
  run_tests x86_64 -L cut "$@" || status=$?
else
  run_tests x86_64 "$@" || status=$?
fi
exit $status
