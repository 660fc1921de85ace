#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
pelmora_install_packages
pelmora_build build
cd build
ctest --output-on-failure -j"$(nproc)" --timeout 600
