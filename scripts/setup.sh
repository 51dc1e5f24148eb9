#!/usr/bin/env bash
# Installs every Debian package that building, testing and running velmo32 needs.
# Idempotent and quick when everything is already present.
set -euo pipefail

packages=(
  cmake ninja-build googletest
  g++   # the native sanitizer tests; brings libasan8 and libubsan1
  clang-format   # scripts/check-format.sh
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine32:i386 wine64
  xvfb xauth xdotool x11-utils imagemagick
  locales fonts-ipafont-gothic
  fonts-wine   # Marlett: the caption buttons in Wine's virtual desktop
  ffmpeg       # run.sh converts movies that Wine cannot show
  pkg-config libavformat-dev libavcodec-dev libavfilter-dev libavutil-dev   # ... decoding them in its converter
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup.sh: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "setup.sh: adding the i386 architecture (for wine32)"
    as_root dpkg --add-architecture i386
  fi
  as_root apt-get update -qq
  as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine's 32-bit loader needs the kernel's ia32 emulation; where that is off,
# scripts/enable-i386 runs it through qemu 10's user-mode emulator, which
# Debian 12 has in bookworm-backports.
/usr/lib/wine/wine --version >/dev/null 2>&1 || "$(dirname "$0")/install-qemu"

# Wine runs with LC_ALL=ja_JP.UTF-8 so that the ANSI code page is 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup.sh: generating the ja_JP.UTF-8 locale"
  as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi
