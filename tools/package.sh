#!/usr/bin/env bash
# Builds the Debian package from a clean tree: build-package/ is made afresh
# with Debian's hardening flags, without tests or benchmarks, and the package
# is copied to the top of the tree as pelmora_<version>-1_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
# What building the package needs, and nothing the tests want.
pelmora_install_packages "${PELMORA_RUN_PACKAGES[@]}" dpkg-dev
rm -rf build-package
eval "$(dpkg-buildflags --export=sh)"
export CXXFLAGS="$CXXFLAGS $CPPFLAGS"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# GCC 12 warns -Wrestrict falsely on string concatenation at -O2; the log is
# shown only when the build fails.
echo "Building the package in build-package/ (a few minutes)"
if ! cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DPELMORA_TESTS=OFF -DPELMORA_BENCH=OFF >"$log" 2>&1; then
  cat "$log"
  exit 1
fi
# Progress is the build's percentage lines; the whole log only on failure.
set +e
cmake --build build-package -j"$(nproc)" --target package 2>&1 | tee -a "$log" |
  grep --line-buffered -E '^\[ *[0-9]+%\] (Built target|Linking)|^CPack: - package'
status=${PIPESTATUS[0]}
set -e
if [ "$status" -ne 0 ]; then
  cat "$log"
  exit 1
fi
deb=$(ls build-package/pelmora_*.deb)
cp "$deb" .
basename "$deb"
