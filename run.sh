#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program's main job.
#   ./run.sh [DOCUMENT]   inspect a readings document (file, or standard input)
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
pelmora_install_packages
pelmora_build build >/dev/null
exec build/pelmora-inspect "$@"
