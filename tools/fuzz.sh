#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
# (default 30). Fails on any crash, leak or sanitizer report; the input that
# caused it is left in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DPELMORA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target pelmora_fuzzers
mkdir -p build-fuzz/artifacts
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
declare -A seeds=(
  [fuzz_scan_readings]=tests/fixtures
  [fuzz_pelmora_read]=tests/fixtures
  [fuzz_number_text]=tests/fuzz/seeds/number
  [fuzz_settings]=tests/fuzz/seeds/settings
  [fuzz_day_file]=tests/fuzz/seeds/day_file
  [fuzz_site]=tests/fixtures/site
)
for target in fuzz_scan_readings fuzz_number_text fuzz_settings fuzz_pelmora_read fuzz_day_file fuzz_site; do
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  echo "== $target: ${seconds}s"
  build-fuzz/tests/fuzz/$target -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix=build-fuzz/artifacts/$target- -print_final_stats=1 "$corpus" "${seeds[$target]}" \
    2>&1 | grep -E '^(#[0-9]+ +DONE|==|SUMMARY|stat::number_of_executed_units)' || true
  if ls build-fuzz/artifacts/$target-* >/dev/null 2>&1; then
    echo "$target found a failing input: $(ls build-fuzz/artifacts/$target-*)"
    exit 1
  fi
done
