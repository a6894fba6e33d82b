#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: a plain build, a build
# under AddressSanitizer + UndefinedBehaviorSanitizer, and a short run of every
# libFuzzer target. FUZZ_SECONDS sets the time per fuzzer (default 15).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-15}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

echo "== plain build"
cmake -S . -B build/plain -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/plain -j"$jobs"
ctest --test-dir build/plain --output-on-failure -j"$jobs" --timeout 300

echo "== sanitizer build"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON -DQM_BENCH=OFF
cmake --build build/asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan --output-on-failure -j"$jobs" --timeout 600

echo "== fuzzers (${fuzz_seconds}s each)"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
cmake --build build/fuzz -j"$jobs"
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
echo "== all tests passed"
