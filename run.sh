#!/usr/bin/env bash
# Installs what is missing, builds, and opens the window.
#   ./run.sh            the window on the bundled gateway simulator (live figures)
#   ./run.sh ADDRESS    the window on a real gateway (envoy.local, 192.168.1.20, host:port)
#   ./run.sh FILE       the items of a readings document saved in FILE (no window)
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
if ! { [ $# -eq 1 ] && [ -f "$1" ]; } && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display to open the window on (set DISPLAY, or run under xvfb-run)." >&2
  exit 1
fi
pelmora_install_packages "${PELMORA_RUN_PACKAGES[@]}"
if [ ! -x build/Pelmora ]; then
  echo "Building Pelmora (the first build takes a few minutes; ./test.sh builds the tests as well)"
fi
cmake -S . -B build -DPELMORA_WERROR=OFF >/dev/null
cmake --build build -j"$(nproc)" --target Pelmora pelmora-gateway pelmora-inspect

if [ $# -eq 1 ] && [ -f "$1" ]; then
  exec build/pelmora-inspect "$1"
fi

if [ $# -gt 0 ]; then
  exec build/Pelmora "$@"
fi

# No address: a simulated gateway on a free loopback port, and settings and
# history of the demo's own under build/, so that the user's stay as they are.
export XDG_CONFIG_HOME="$PWD/build/demo/config" XDG_DATA_HOME="$PWD/build/demo/data"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
ready=$(mktemp)
build/pelmora-gateway --port 0 >"$ready" &
gateway=$!
trap 'kill $gateway 2>/dev/null || true; rm -f "$ready"' EXIT
for _ in $(seq 50); do
  grep -q listening "$ready" && break
  sleep 0.1
done
address=$(sed -n 's/^listening on //p' "$ready")
[ -n "$address" ] || { echo "run.sh: the gateway simulator did not start" >&2; exit 1; }
echo "Gateway simulator on $address"
build/Pelmora "$address"
