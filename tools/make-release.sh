#!/usr/bin/env bash
# Builds the shipped 32-bit programs in Release and writes the archive a user
# downloads, build/release/Korvel-<version>.zip: Korvel.exe, Setup.exe and
# Uninst.exe stripped, the documents and an empty Presets folder. Each
# program's debug information stays in build/release/<program>.dbg, which
# the program names, to read the addresses of a crash report with.
#
#   tools/make-release.sh          the 32-bit archive, in build/release/
#   tools/make-release.sh win64    the same from the 64-bit programs, in
#                                  build/release-win64/ (the demo's, where
#                                  no 32-bit programs run)
#
# ctest --preset release (or release-win64) checks the archive.
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  "") preset=release ;;
  win64) preset=release-win64 ;;
  *) echo "usage: $0 [win64]" >&2; exit 2 ;;
esac
tools/install-deps.sh

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
# One archive: none left from an earlier version.
rm -f "build/$preset"/Korvel-*.zip
cpack --preset "$preset" >/dev/null
echo "Wrote $(ls "build/$preset"/Korvel-*.zip), debug information in build/$preset/*.dbg"
