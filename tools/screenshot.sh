#!/usr/bin/env bash
# Takes docs/screenshot.png: the window under Xvfb on the gateway simulator,
# with the phase band shown. Needs xvfb, x11-apps and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/config/Pelmora" docs
printf '[Settings]\nTop=0\nLeft=0\nHeight=3560\nWidth=8670\nIP=x\nWrite=0\nOnTop=False\n' \
  >"$work/config/Pelmora/Pelmora.conf"
build/pelmora-gateway --port 0 --seed 12 --hour 13 >"$work/gateway" &
Xvfb :77 -screen 0 800x400x24 >/dev/null 2>&1 &
sleep 1
address=$(sed -n 's/^listening on //p' "$work/gateway")
(cd "$work" && DISPLAY=:77 XDG_CONFIG_HOME="$work/config" "$OLDPWD/build/Pelmora" "$address" >/dev/null 2>&1 &)
sleep 4
DISPLAY=:77 xwd -root -silent >"$work/root.xwd"
convert "$work/root.xwd" -crop 562x222+0+0 docs/screenshot.png
echo "docs/screenshot.png"
