#!/usr/bin/env bash
# Runs a command with the gateway simulator on 127.0.0.1, on a free port,
# its address in PELMORA_GATEWAY_ADDRESS; the simulator ends with it. Its
# output is kept in PELMORA_SIMULATOR_LOG when that names a file.
#   tests/with_simulator.sh SIMULATOR [SIMULATOR OPTIONS] -- COMMAND...
set -euo pipefail
simulator=$1
shift
options=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  options+=("$1")
  shift
done
shift
log=${PELMORA_SIMULATOR_LOG:-$(mktemp)}
keep=${PELMORA_SIMULATOR_LOG:+yes}
"$simulator" --port 0 "${options[@]}" >"$log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; [ -n "$keep" ] || rm -f "$log"' EXIT
for _ in $(seq 1 500); do
  grep -q "listening on " "$log" && break
  sleep 0.02
done
PELMORA_GATEWAY_ADDRESS=$(grep -o "listening on [0-9.:]*" "$log" | head -1 | cut -d' ' -f3)
export PELMORA_GATEWAY_ADDRESS
"$@"
