#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test: the normal
# build, the engine and CLI under AddressSanitizer and UBSan, and a bounded
# fuzzing run of the file and formula readers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== sanitizers (address, undefined)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=ON \
  -DQUORVEL_BENCH=OFF -DQUORVEL_GUI=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== fuzzing"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_FUZZ=ON \
  -DQUORVEL_TESTS=OFF -DQUORVEL_BENCH=OFF -DQUORVEL_GUI=OFF >/dev/null
cmake --build build-fuzz -j"$jobs"
for fuzzer in build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  corpus="build-fuzz/corpus-$name"
  mkdir -p "$corpus"
  seeds="tests/fuzz/seeds/${name#fuzz_}"
  [ -d "$seeds" ] || seeds=""
  echo "-- $name"
  "$fuzzer" -max_total_time="${QUORVEL_FUZZ_SECONDS:-45}" -rss_limit_mb=2048 -print_final_stats=0 \
    "$corpus" $seeds 2>&1 | tail -n 3
done
echo "all tests passed"
