#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
#   ./test.sh          the test suite (unit, network, window offscreen, soak)
#   ./test.sh --all    also clang-format and clang-tidy, the whole suite again
#                      under AddressSanitizer and UndefinedBehaviorSanitizer,
#                      each fuzzer for FUZZ_SECONDS (default 30), and the
#                      Debian package built, linted, installed, run and
#                      removed (tools/package_test.sh, as root), and the
#                      Windows program cross-built and tested under Wine
#                      (tools/windows.sh)
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
all=false
[ "${1:-}" = "--all" ] && all=true
source tools/setup.sh
pelmora_install_packages
pelmora_provide_locale
pelmora_build build

echo "== test suite"
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 600)

if $all; then
  echo "== lint"
  tools/lint.sh

  echo "== test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
  pelmora_build build-asan -DPELMORA_SANITIZE=ON -DPELMORA_BENCH=OFF
  (cd build-asan &&
    ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --output-on-failure -j"$(nproc)" --timeout 900)

  echo "== fuzzing"
  tools/fuzz.sh

  echo "== the Debian package: build, lint, install, run, remove"
  tools/package_test.sh

  echo "== the Windows program under Wine"
  tools/windows.sh
fi
echo "== all passed"
