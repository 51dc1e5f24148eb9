#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under Wine on
# private virtual displays (depths 24, 16 and 8). Exits with CTest's status.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

# The product is the 32-bit program; it is always built. The tests run on the
# 32-bit build where the host can execute 32-bit programs (Wine's 32-bit loader
# needs the kernel's ia32 emulation), otherwise on a 64-bit build of the same code.
arch=$("$root/scripts/test-arch")
echo "test.sh: building i686 (product) and running the tests on $arch"

# The Wine prefixes of the tests' display slots share Wine's unchanging files
# with one made first (scripts/wine-prefix); the Windows tools the build runs
# (the movie writer) run in that one, so that no other prefix is made.
export VELMO_WINE_ROOT=$root/build/$arch/wine
export VELMO_WINE_TEMPLATE=$VELMO_WINE_ROOT/template

# Configured once; the build itself re-runs CMake when a CMakeLists.txt changes.
build() {  # build <arch> <tests ON|OFF>
  local dir=$root/build/$1
  [ -f "$dir/build.ninja" ] || cmake -G Ninja -S "$root" -B "$dir" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$1-posix.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  grep -qx "VELMO_BUILD_TESTS:BOOL=$2" "$dir/CMakeCache.txt" || cmake -S "$root" -B "$dir" -DVELMO_BUILD_TESTS="$2" >/dev/null
  VELMO_WINEPREFIX=$VELMO_WINE_TEMPLATE cmake --build "$dir" -- -k 0
}
if [ "$arch" = i686 ]; then
  build i686 ON
else
  build i686 OFF
  build "$arch" ON
fi
# The frame server and its tools, which the run.sh tests use (run.sh builds
# it too, but a test may use its tools before that).
"$root/scripts/build-server"
# The tools' Wine server must not outlive the build: the slots' prefixes are
# copied from its prefix.
[ ! -d "$VELMO_WINE_TEMPLATE" ] || WINEPREFIX=$VELMO_WINE_TEMPLATE wineserver -k 2>/dev/null || true

# Tests run side by side, by default two more than the cores, since much of
# their time is spent waiting on Wine and the X server. Each test that needs a
# display gets a slot of its depth from CTest: a display and a Wine prefix
# (scripts/display-slot.sh) that no other test uses while it runs. The few
# tests of depth 16 and 8 share one slot each.
jobs=${VELMO_TEST_JOBS:-$(($(nproc) + 2))}
source "$root/scripts/displays.sh"
# Prefixes of the time before slots (one per depth, and one of the run.sh
# tests) are no longer used: 1.3 GB each.
rm -rf "$VELMO_WINE_ROOT"/prefix* "$root/build/$arch/wine-scripts"
stop_wine() {  # every slot's Wine server and programs; a prefix not in use has none
  local p
  for p in "$VELMO_WINE_ROOT"/slot*/prefix*/; do
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
spec=$root/build/$arch/display-slots.json
cat >"$spec" <<EOF
{"version": {"major": 1, "minor": 0},
 "local": [{"display24": $(slots "$jobs"), "display16": $(slots 1), "display8": $(slots 1)}]}
EOF

# Waits for work whose length depends on the machine's speed stretch where
# 32-bit programs run through qemu (scripts/enable-i386): the suite takes some
# six times as long there.
if [ -z "${VELMO_TEST_TIME_SCALE:-}" ] && grep -qx enabled /proc/sys/fs/binfmt_misc/velmo-i386 2>/dev/null; then
  export VELMO_TEST_TIME_SCALE=6
fi

status=0
ctest --test-dir "$root/build/$arch" -j "$jobs" --resource-spec-file "$spec" --output-on-failure \
  --timeout $((600 * ${VELMO_TEST_TIME_SCALE:-1})) "$@" \
  </dev/null || status=$?
exit $status
