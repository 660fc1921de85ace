#!/usr/bin/env bash
# Starts Debian's mosquitto broker on 127.0.0.1 with a plain listener and a
# TLS one (a self-signed certificate made here) on free ports, and runs the
# Windows MQTT test under Wine against it.
#   tests/windows_mqtt_test.sh EMULATOR TEST_EXE
set -euo pipefail
emulator=$1 test_exe=$2
folder=$(mktemp -d)
trap 'kill $broker 2>/dev/null; wait $broker 2>/dev/null; rm -rf "$folder"' EXIT
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
plain=$(free_port)
tls=$(free_port)
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=127.0.0.1" -keyout "$folder/key.pem" \
  -out "$folder/cert.pem" >/dev/null 2>&1
# Started as root, the broker reads its files as the mosquitto user.
chmod 755 "$folder"
chmod 644 "$folder"/*.pem
cat >"$folder/mosquitto.conf" <<CONF
per_listener_settings false
allow_anonymous true
persistence false
log_dest none
listener $plain 127.0.0.1
listener $tls 127.0.0.1
certfile $folder/cert.pem
keyfile $folder/key.pem
CONF
mosquitto -c "$folder/mosquitto.conf" &
broker=$!
for _ in $(seq 1 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$tls") 2>/dev/null && break
  sleep 0.05
done
PELMORA_BROKER_PORT=$plain PELMORA_BROKER_TLS_PORT=$tls "$emulator" "$test_exe"
