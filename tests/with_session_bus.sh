#!/usr/bin/env bash
# Runs a command in a private D-Bus session of its own.
set -euo pipefail
exec dbus-run-session -- "$@"
