#!/usr/bin/env bash
# The window's X11 class is the one the desktop entry names in
# StartupWMClass, so that docks match the window to its launcher. Runs the
# program on a private Xvfb display.
set -euo pipefail
program=$1 desktop=$2
expected=$(sed -n 's/^StartupWMClass=//p' "$desktop")
[ -n "$expected" ] || { echo "no StartupWMClass in $desktop"; exit 1; }
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export XDG_CONFIG_HOME="$home" XDG_DATA_HOME="$home" XDG_RUNTIME_DIR="$home"
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$0" 127.0.0.1 & pid=$!
  for _ in $(seq 100); do
    # The top-level window: the one that carries a class.
    id=$(xwininfo -root -tree | awk "/\"Pelmora V/ && /\\(\"/ {print \$1; exit}")
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "no Pelmora window"; kill $pid; exit 1; }
  xprop -id "$id" WM_CLASS
  kill $pid; wait $pid || true' "$program" >"$home/said" 2>&1 || { cat "$home/said"; exit 1; }
class=$(sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\([^"]*\)"$/\1/p' "$home/said")
[ "$class" = "$expected" ] || { echo "WM_CLASS class \"$class\", desktop entry \"$expected\":"; cat "$home/said"; exit 1; }
echo "WM_CLASS class $class"
