#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test: the normal
# build, the engine and CLI under AddressSanitizer and UBSan, the release build,
# and a bounded fuzzing run of every reader. The configurations are the presets
# of CMakePresets.json, where warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)

echo "== build and test"
cmake --preset dev >/dev/null
cmake --build --preset dev -j"$jobs"
ctest --preset dev -j"$jobs"

echo "== desktop files, install and Debian package"
bash scripts/check-packaging.sh build

echo "== sanitizers (address, undefined)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
ctest --preset asan -j"$jobs"

echo "== release build (engine, command-line tool, benchmarks)"
cmake --preset release -DQUORVEL_GUI=OFF -DQUORVEL_TESTS=OFF >/dev/null
cmake --build --preset release -j"$jobs"

echo "== fuzzing"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$jobs"
# A fuzzer works on one core, so as many run at once as there are cores. Each
# one's output is kept apart and shown, in order, when all have ended.
fuzz_logs=$(mktemp -d)
trap 'rm -rf "$fuzz_logs"' EXIT
for fuzzer in build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  corpus="build-fuzz/corpus-$name"
  mkdir -p "$corpus"
  seeds="tests/fuzz/seeds/${name#fuzz_}"
  [ -d "$seeds" ] || seeds=""
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  {
    status=0
    "$fuzzer" -max_total_time="${QUORVEL_FUZZ_SECONDS:-30}" -rss_limit_mb=2048 -print_final_stats=0 \
      "$corpus" ${seeds:+"$seeds"} >"$fuzz_logs/$name.log" 2>&1 || status=$?
    echo "$status" >"$fuzz_logs/$name.status"
  } &
done
wait
fuzz_failed=0
for status_file in "$fuzz_logs"/*.status; do
  name=$(basename "$status_file" .status)
  echo "-- $name"
  if [ "$(cat "$status_file")" = 0 ]; then
    tail -n 3 "$fuzz_logs/$name.log"
  else
    tail -n 60 "$fuzz_logs/$name.log"
    fuzz_failed=1
  fi
done
[ "$fuzz_failed" = 0 ]
echo "all tests passed"
