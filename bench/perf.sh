#!/usr/bin/env bash
# Prints Pelmora's performance figures on this machine: the benchmarks, one
# whole tick of the real window against the simulator, CPU and memory of the
# running program polling once a second, and start-up to the window shown.
#   bench/perf.sh [SECONDS]   (the CPU sample lasts SECONDS, default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
source tools/setup.sh
pelmora_build build >/dev/null
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -m 700 "$work/run"
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"

echo "== machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
echo "== benchmarks"
build/bench/pelmora-bench --benchmark_filter='ScanReadings|SiteRead|PelmoraRead' 2>/dev/null | grep -E '^BM_'

build/pelmora-gateway --port 0 --seed 5 >"$work/gateway" &
for _ in $(seq 50); do grep -q listening "$work/gateway" && break; sleep 0.1; done
address=$(sed -n 's/^listening on //p' "$work/gateway")

echo "== system calls per read (strace -c, the difference of 250 and 50 reads over 200)"
build/pelmora-gateway --tls --port 0 --seed 5 >"$work/tls-gateway" &
for _ in $(seq 50); do grep -q listening "$work/tls-gateway" && break; sleep 0.1; done
tls_address=$(sed -n 's/^listening on //p' "$work/tls-gateway")
sed -n 's/^token: //p' "$work/tls-gateway" | head -1 >"$work/token"
syscalls() {  # total system calls of one read loop
  strace -c -o "$work/strace" build/bench/pelmora-read-loop "$@" >/dev/null
  awk '$NF == "total" { print $4 }' "$work/strace"
}
per_read() {  # WHAT ARGUMENTS-BEFORE-COUNT...
  local what=$1; shift
  local few many
  few=$(syscalls "$@" 50)
  many=$(syscalls "$@" 250)
  awk -v a="$few" -v b="$many" -v w="$what" 'BEGIN { printf "%s: %.1f system calls per read\n", w, (b - a) / 200 }'
}
if command -v strace >/dev/null; then
  per_read "plain http, a new connection each read" plain "http://$address/ivp/meters/readings"
  per_read "HTTPS, one kept-alive connection" https "https://$tls_address/ivp/meters/readings" "$work/token"
else
  echo "strace is not installed: skipped"
fi

echo "== the history"
TZ=UTC build/bench/pelmora-history-bench

echo "== one tick of the window offscreen against the simulator on loopback"
build/bench/pelmora-tick-bench "$address" 1000

echo "== the program polling once a second for ${seconds}s"
(cd "$work" && exec "$OLDPWD/build/Pelmora" "$address" >/dev/null 2>&1) &
program=$!
sleep 5
ticks_per_second=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$program/stat"; }
before=$(cpu)
sleep "$seconds"
after=$(cpu)
rss=$(awk '/VmRSS/ {print $2}' "/proc/$program/status")
kill -TERM "$program"; wait "$program" 2>/dev/null || true
awk -v d=$((after - before)) -v hz="$ticks_per_second" -v s="$seconds" -v rss="$rss" \
  'BEGIN { printf "cpu %.2f %% of one core, resident memory %.1f MB\n", 100 * d / hz / s, rss / 1024 }'

echo "== start-up to the window shown (10 runs)"
for _ in $(seq 10); do
  start=$(date +%s%N)
  (cd "$work" && PELMORA_CLOSE_WHEN_SHOWN=1 "$OLDPWD/build/Pelmora" "$address" >/dev/null 2>&1)
  echo $(( ($(date +%s%N) - start) / 1000000 ))
done | sort -n | awk '{ t[NR] = $1 } END { printf "start-up median %d ms (fastest %d, slowest %d), until the process has ended\n", t[int((NR+1)/2)], t[1], t[NR] }'
