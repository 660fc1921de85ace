#!/usr/bin/env bash
# Prints the Windows program's figures under Wine on this machine: the sizes
# of what a user downloads, start-up to the window shown, one WinHTTP read,
# one token read over HTTPS with its handshakes per 1,000 reads, and CPU and
# memory of Pelmora.exe polling the simulator's TLS battery site once a
# second with a token (memory after SECONDS of history).
# Needs tools/windows.sh to have built build-windows-ARCH/ and the Linux
# simulator, and xdotool. The 64-bit program by default; ARCH i686 measures
# the 32-bit one where this machine runs 32-bit code.
#   bench/windows_perf.sh [SECONDS] [ARCH]   (the CPU sample lasts SECONDS, default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
arch=${2:-x86_64}
build_dir=build-windows-$arch
program_dir=$PWD/$build_dir/windows
work=$(mktemp -d)
export WINEPREFIX=$work/wine WINEDEBUG=-all
if [ "$arch" = x86_64 ]; then
  export WINEARCH=win64
  wine() { /usr/lib/wine/wine64 "$@"; }
else
  export WINEARCH=win32
  wine() { /usr/lib/wine/wine "$@"; }
fi
trap 'wineserver -k 2>/dev/null || true; kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
export DISPLAY=$display
wine wineboot --init >/dev/null 2>&1

echo "== sizes"
stat -c '%n %s' "$program_dir/Pelmora.exe" "$build_dir"/Pelmora-* |
  awk '{printf "%-60s %9d bytes\n", $1, $2}'

build/pelmora-gateway --port 0 --seed 5 >"$work/gateway" &
for _ in $(seq 50); do grep -q listening "$work/gateway" && break; sleep 0.1; done
address=$(sed -n 's/^listening on //p' "$work/gateway")

echo "== one read"
wine "$program_dir/winhttp_read_bench.exe" "$address" 500

echo "== one token read over HTTPS, 1,000 reads on a kept connection"
build/pelmora-gateway --tls --new-key --port 0 >"$work/tls-bench" &
tls_bench=$!
for _ in $(seq 50); do grep -q listening "$work/tls-bench" && break; sleep 0.1; done
wine "$program_dir/winhttps_read_bench.exe" "$(sed -n 's/^listening on //p' "$work/tls-bench")" 1000
kill "$tls_bench"
wait "$tls_bench" 2>/dev/null || true
grep -o 'handshakes [0-9]*' "$work/tls-bench" | sed 's/$/ for 1,001 reads/'

echo "== start-up to the window shown, median of 5 (wineserver running)"
times=()
for _ in 1 2 3 4 5; do
  start=$(date +%s%N)
  wine "$program_dir/Pelmora.exe" "$address" &
  started=$!
  xdotool search --sync --onlyvisible --name "^Pelmora V" >/dev/null
  times+=($((($(date +%s%N) - start) / 1000000)))
  wine taskkill /im Pelmora.exe >/dev/null 2>&1
  wait "$started"
done
printf '%s\n' "${times[@]}" | sort -n | sed -n 3p | sed 's/$/ ms/'

echo "== Pelmora.exe polling the TLS battery site once a second with a token, for ${seconds}s"
build/pelmora-gateway --tls --new-key --site battery --port 0 >"$work/tls" &
for _ in $(seq 50); do grep -q listening "$work/tls" && break; sleep 0.1; done
# The token in its owner-only file, which the settings name as its store.
roaming=$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -type d -name Roaming | head -1)
mkdir -p "$roaming/Pelmora"
sed -n 's/^token: //p' "$work/tls" >"$roaming/Pelmora/token"
chmod 600 "$roaming/Pelmora/token"
wine reg add 'HKCU\Software\VB and VBA Program Settings\Pelmora\Gateway' /v TokenStore /d file /f >/dev/null 2>&1
wine "$program_dir/Pelmora.exe" "$(sed -n 's/^listening on //p' "$work/tls")" &
sleep 5
program=$(pgrep -f 'Pelmora.exe' | head -1)
server=$(pgrep -f wineserver | head -1)
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }
before=$(cpu "$program")
server_before=$(cpu "$server")
sleep "$seconds"
after=$(cpu "$program")
server_after=$(cpu "$server")
ticks=$(getconf CLK_TCK)
awk -v p=$((after - before)) -v s=$((server_after - server_before)) -v t="$ticks" -v n="$seconds" \
  'BEGIN {printf "CPU: %.2f %% of one core in the program, %.2f %% in wineserver\n", 100*p/t/n, 100*s/t/n}'
awk '/VmRSS/ {printf "resident memory: %.1f MB\n", $2/1024}' "/proc/$program/status"
wine taskkill /im Pelmora.exe >/dev/null 2>&1
