#!/usr/bin/env bash
# Installs what building, running and testing Korvel needs on a Debian machine.
# Idempotent: when everything is present it prints nothing and changes nothing.
#
# The 64-bit set is required: a package of it that cannot be installed fails
# the script, by name. The 32-bit Wine only adds the shipped 32-bit build's
# tests, so when it cannot be installed (a 32-bit package index that a mirror
# is still syncing, say) the script says so in one line and succeeds.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64
  xvfb xauth x11-utils imagemagick libx11-dev
  timgm6mb-soundfont fluidsynth
  fonts-liberation
)
wine32=wine32:i386

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
want_wine32=""
installed "$wine32" || want_wine32=1

# Where the kernel runs no 32-bit programs, the shipped 32-bit programs run
# through user-mode emulation, set up here when it can be.
win32_emulation() { "$(dirname "$0")/win32-support" --setup; }

if [ ${#missing[@]} -eq 0 ] && [ -z "$want_wine32" ]; then
  win32_emulation
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
export DEBIAN_FRONTEND=noninteractive
apt_install() { $sudo apt-get install -y -qq "$@" >"$log" 2>&1; }
# apt's first error line, without its "E: " and with runs of blanks as one.
first_error() { grep -m1 '^E:' "$log" | sed 's/^E: *//; s/[[:space:]]\+/ /g' || true; }

wanted=("${missing[@]}")
[ -z "$want_wine32" ] || wanted+=("$wine32")
echo "Installing: ${wanted[*]}"
if [ -n "$want_wine32" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
# An index that fails (a mirror mid-sync) leaves the others usable.
if ! $sudo apt-get update -qq >"$log" 2>&1; then
  echo "apt-get update failed for some package indexes ($(first_error)); going on with the others"
fi

if [ ${#missing[@]} -gt 0 ] && ! apt_install "${missing[@]}"; then
  # One at a time, to name the packages that cannot be had.
  failed=() why=""
  for p in "${missing[@]}"; do
    apt_install "$p" && continue
    failed+=("$p")
    [ -n "$why" ] || why=$(first_error)
  done
  if [ ${#failed[@]} -gt 0 ]; then
    echo "install-deps: could not install ${failed[*]}: $why" >&2
    exit 1
  fi
fi

if [ -n "$want_wine32" ] && ! apt_install "$wine32"; then
  echo "the 32-bit Wine could not be installed: $(first_error); the 64-bit build carries the tests and the demo"
fi
win32_emulation
