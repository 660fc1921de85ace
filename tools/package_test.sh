#!/usr/bin/env bash
# Builds the Debian package from this tree and checks it as a user would get
# it: lintian, AppStream, the desktop entry and the man pages first; then it
# installs the package with apt, runs the installed Pelmora and PelmoraB
# offscreen against the installed simulator with writing switched on, checks
# the output files, removes the package and checks that nothing of it is left
# in /usr. A trap removes the package whatever happens. Needs root.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
  echo "package_test.sh: installing the package needs root" >&2
  exit 1
fi
deb=$(tools/package.sh | tail -1)
echo "== $deb"

echo "== lintian"
lintian --fail-on error,warning "$deb"
echo "== appstreamcli, desktop-file-validate, man"
appstreamcli validate --no-net build-package/packaging/org.pelmora.Pelmora.metainfo.xml
said=$(desktop-file-validate build-package/packaging/org.pelmora.Pelmora.desktop 2>&1)
[ -z "$said" ] || { echo "$said"; exit 1; }
for page in packaging/man/*.1; do
  said=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$said" ] || { echo "$page: $said"; exit 1; }
done

work=$(mktemp -d)
gateway=""
cleanup() {
  [ -n "$gateway" ] && kill "$gateway" 2>/dev/null
  apt-get remove -y -qq pelmora >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "== apt-get install ./$deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
installed=$(dpkg -L pelmora | grep '^/usr/')

/usr/bin/pelmora-gateway --port 0 --fixed tests/fixtures/readings.json >"$work/gateway" &
gateway=$!
for _ in $(seq 50); do
  grep -q listening "$work/gateway" && break
  sleep 0.1
done
address=$(sed -n 's/^listening on //p' "$work/gateway")

# Runs an installed program for a few reads with writing on; prints lines 2
# to 4 of its output file, CR LF ends kept as "\r".
run() {
  local program=$1 home="$work/$1"
  mkdir -p "$home/config/Pelmora" "$home/run"
  chmod 700 "$home/run"
  printf '[Settings]\nTop=0\nLeft=0\nIP=%s\nWrite=1\nOnTop=False\n' "$address" >"$home/config/Pelmora/Pelmora.conf"
  # exec: the pid is the program's own, so that SIGTERM reaches it.
  (cd "$home" && exec env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
    XDG_RUNTIME_DIR="$home/run" DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent "/usr/bin/$program" \
    >"$home/said" 2>&1) &
  local pid=$!
  sleep 3
  kill -TERM "$pid"
  wait "$pid"
  [ "$(wc -l <"$home/E:\\Meters.txt")" -eq 4 ] || { echo "$program: not four lines"; exit 1; }
  sed -n '2,4p' "$home/E:\\Meters.txt" | tr '\r' '|'
}
echo "== /usr/bin/Pelmora"
expected=$'3,785.0|\n446.0|\n-3339 |'
[ "$(run Pelmora)" = "$expected" ] || { echo "Pelmora wrote:"; run Pelmora; exit 1; }
echo "== /usr/bin/PelmoraB"
expected=$'3,785.0|\n-3,339.0|\n-7124 |'
[ "$(run PelmoraB)" = "$expected" ] || { echo "PelmoraB wrote:"; run PelmoraB; exit 1; }

echo "== apt-get remove pelmora"
kill "$gateway" 2>/dev/null || true
gateway=""
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq pelmora >/dev/null
left=""
for path in $installed; do
  if [ -e "$path" ] || [ -L "$path" ]; then
    # Shared folders (/usr/bin, the icon theme's) stay; the package's own go.
    if [ -d "$path" ] && [ ! -L "$path" ] && [[ "${path,,}" != *pelmora* ]]; then continue; fi
    left="$left $path"
  fi
done
[ -z "$left" ] || { echo "left in /usr after removal:$left"; exit 1; }
echo "package: all checks passed"
