#!/usr/bin/env bash
# Installs what is missing, checks the code style, builds, and runs every test:
# a plain build, a build under AddressSanitizer + UndefinedBehaviorSanitizer, a
# short run of every libFuzzer target, and a build of the programs alone
# with GoogleTest and Google Benchmark hidden. The builds are the presets of
# CMakePresets.json. FUZZ_SECONDS sets the time per fuzzer (default 10). Each
# phase says when it starts (seconds since the start of the run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-10}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

echo "== code style (at ${SECONDS} s)"
bash scripts/check-format.sh

echo "== plain build (at ${SECONDS} s)"
cmake --preset plain
cmake --build --preset plain -j"$jobs"
ctest --preset plain -j"$jobs"

echo "== programs without the test tools (at ${SECONDS} s)"
cmake --preset programs
cmake --build --preset programs -j"$jobs"

echo "== sanitizer build (at ${SECONDS} s)"
cmake --preset asan
cmake --build --preset asan -j"$jobs"
ctest --preset asan -j"$jobs"

echo "== fuzzers (${fuzz_seconds}s each) (at ${SECONDS} s)"
cmake --preset fuzz
cmake --build --preset fuzz -j"$jobs"
while read -r fuzzer; do
  [ -n "$fuzzer" ] || continue
  echo "-- $fuzzer"
  corpus="build/fuzz/corpus/$fuzzer"
  mkdir -p "$corpus"
  seeds="fuzz/seeds/$fuzzer"
  [ -d "$seeds" ] || seeds=""
  "build/fuzz/$(find build/fuzz -name "$fuzzer" -type f -executable -printf '%P\n' | head -n1)" \
    -max_total_time="$fuzz_seconds" -print_final_stats=0 "$corpus" $seeds 2>&1 | tail -n 3
done < build/fuzz/fuzzers.txt
echo "== all tests passed (at ${SECONDS} s)"
