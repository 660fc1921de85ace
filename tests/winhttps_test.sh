#!/usr/bin/env bash
# Runs each HTTPS case of winhttps_transport_test under Wine against a TLS
# simulator of its own, then checks the simulator's request log: at most two
# handshakes for a hundred reads, and no token sent to a key not pinned.
#   tests/winhttps_test.sh SIMULATOR FIXTURE EMULATOR TEST_EXE
set -euo pipefail
simulator=$1 fixture=$2 emulator=$3 test_exe=$4
here=$(cd "$(dirname "$0")" && pwd)
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# A case, then any further options of its simulator.
run_case() {
  local name=$1
  shift
  PELMORA_SIMULATOR_LOG=$log "$here/with_simulator.sh" "$simulator" --tls --new-key --fixed "$fixture" "$@" -- \
    "$emulator" "$test_exe" --gtest_filter="WinHttps.$name"
}

fail() {
  echo "winhttps_test: $1" >&2
  cat "$log" >&2
  exit 1
}

run_case ChecksTheSessionOnceAndKeepsOneConnection
handshakes=$(grep -o "handshakes [0-9]*" "$log" | cut -d' ' -f2)
if [ -z "$handshakes" ] || [ "$handshakes" -gt 2 ]; then fail "100 reads took ${handshakes:-no} handshakes"; fi
[ "$(grep -c "GET /auth/check_jwt token=yes" "$log")" -eq 1 ] || fail "the session was not checked once"

run_case AnotherKeyGetsNoTokenAndWaitsForTheUser
# Only the reads after the user trusted the key carry the token: the session
# check and the reading.
[ "$(grep -c "token=yes" "$log")" -eq 2 ] || fail "a token went to a key that was not pinned"

run_case ARenewalOfAnEndingCertificateIsTakenWithoutAsking

run_case TheSessionCheckAndTheReadingShareOneDeadline --check-delay-ms 1500 --mode delay --delay-ms 1500
