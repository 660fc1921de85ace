#!/usr/bin/env bash
# Runs a command in a private D-Bus session with gnome-keyring's secret
# service started and its login keyring unlocked, in a throw-away home.
set -euo pipefail
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
exec dbus-run-session -- bash -c '
  echo -n pelmora-test | gnome-keyring-daemon --unlock --components=secrets >/dev/null
  PELMORA_EXPECT_KEYRING=1 "$@"' keyring "$@"
