#!/usr/bin/env bash
# Builds everything and runs every test: native unit tests (with sanitizers),
# the fuzz targets briefly, a short benchmark smoke run, and the Windows
# programs with their tests under Wine.
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

step "win32: the shipped 32-bit programs"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
if tools/can-run-win32; then
  ctest --preset win32
else
  echo "This machine cannot run 32-bit programs (its kernel has no 32-bit emulation);"
  echo "the same sources are tested below in the 64-bit build."
fi

step "win64: the same programs and their tests under Wine"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
ctest --preset win64
