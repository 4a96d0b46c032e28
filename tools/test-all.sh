#!/usr/bin/env bash
# Builds everything and runs every test: native unit tests (with sanitizers),
# the fuzz targets briefly, a short benchmark smoke run, the release archive,
# and the Windows programs with their tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

jobs=$(nproc)
step() { printf '\n== %s\n' "$*"; }

step "native: portable logic and unit tests"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

step "tsan: the MIDI thread's tests under ThreadSanitizer"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"
ctest --preset tsan

step "fuzz: libFuzzer targets, briefly"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz

step "bench: benchmarks build and run once"
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$jobs"
for b in build/bench/tests/bench/korvel_*bench*; do
  [ -x "$b" ] && "$b" --benchmark_min_time=0.01 >/dev/null
done

step "release: the archive a user downloads, of the shipped 32-bit programs"
tools/make-release.sh
# What it holds, its programs stripped with their debug information apart,
# and what they import, which must exist on Windows 95 and 98.
ctest --preset release

step "win32: the 32-bit programs with their tests"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
win32=$(tools/win32-support || true)
case "$win32" in
  native)
    echo "32-bit programs run natively here: every Windows test runs on the 32-bit build too."
    ctest --preset win32 -LE imports
    ;;
  emulated)
    echo "32-bit programs run here through user-mode emulation (qemu-i386): the 32-bit smoke suite."
    start=$SECONDS
    tools/win32-support --run ctest --preset win32 -L smoke32
    echo "32-bit smoke suite under emulation: $((SECONDS - start)) s"
    ;;
  *)
    echo "32-bit smoke suite SKIPPED, ${win32#none: }."
    echo "The same sources are tested below in the 64-bit build."
    ;;
esac

step "win64: the same programs and their tests under Wine"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
ctest --preset win64
