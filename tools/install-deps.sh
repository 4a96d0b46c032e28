#!/usr/bin/env bash
# Installs what building, running and testing Korvel needs on a Debian machine.
# Idempotent: when everything is present it prints nothing and changes nothing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64 wine32:i386
  xvfb xauth x11-utils imagemagick libx11-dev
  timgm6mb-soundfont
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# Where the kernel runs no 32-bit programs, the shipped 32-bit programs run
# through user-mode emulation, set up here when it can be.
win32_emulation() { "$(dirname "$0")/win32-support" --setup; }

if [ ${#missing[@]} -eq 0 ]; then
  win32_emulation
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
win32_emulation
