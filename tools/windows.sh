#!/usr/bin/env bash
# The Windows program: installs the cross-compiler and Wine, fetches
# simdjson's source from Debian, cross-builds into build-windows/ and runs
# the Windows tests under Wine (with Xvfb for the window). Ends non-zero on
# any failure. Needs root for the packages only the first time.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh

PELMORA_WINDOWS_PACKAGES=(g++-mingw-w64-i686-posix wine wine32:i386 fonts-wine nsis zip xvfb xauth dpkg-dev)

# Source packages come from the entries the machine already has.
pelmora_source_entries() {
  local list=/etc/apt/sources.list.d/pelmora-source.sources
  [ -e "$list" ] && return 0
  if [ -e /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$list"
  elif [ -e /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >/etc/apt/sources.list.d/pelmora-source.list
  fi
  # An index that fails (a mirror in the middle of a sync) is not the source's.
  pelmora_apt update -qq || true
}

pelmora_windows_packages() {
  local missing
  missing=$(pelmora_missing_packages "${PELMORA_WINDOWS_PACKAGES[@]}")
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Run as root:"
    echo "  dpkg --add-architecture i386 && apt-get update && apt-get install -y --no-install-recommends $missing"
    exit 1
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  echo "Installing: $missing"
  pelmora_apt update -qq || echo "Some package indexes could not be fetched; installing from the others"
  DEBIAN_FRONTEND=noninteractive pelmora_apt install -y -qq --no-install-recommends $missing >/dev/null
}

# simdjson's single-file build from Debian's source package, fetched once
# into the build folder (never into the repository).
pelmora_simdjson_source() {
  local dir=build-windows/simdjson
  if [ ! -f "$dir/singleheader/simdjson.cpp" ]; then
    [ "$(id -u)" -eq 0 ] && pelmora_source_entries
    rm -rf build-windows/simdjson-fetch
    mkdir -p build-windows/simdjson-fetch
    (cd build-windows/simdjson-fetch && apt-get source -qq simdjson >/dev/null 2>&1 ||
      apt-get source --download-only -qq simdjson >/dev/null)
    local unpacked
    unpacked=$(find build-windows/simdjson-fetch -maxdepth 1 -mindepth 1 -type d -name 'simdjson-*' | head -1)
    if [ -z "$unpacked" ]; then
      (cd build-windows/simdjson-fetch && dpkg-source -x ./*.dsc simdjson >/dev/null)
      unpacked=build-windows/simdjson-fetch/simdjson
    fi
    rm -rf "$dir"
    mv "$unpacked" "$dir"
    rm -rf build-windows/simdjson-fetch
  fi
  echo "$PWD/$dir/singleheader"
}

pelmora_windows_packages
simdjson=$(pelmora_simdjson_source)

# The Windows request is tested against the Linux gateway simulator.
if [ ! -x build/pelmora-gateway ]; then
  pelmora_install_packages "${PELMORA_RUN_PACKAGES[@]}"
  cmake -S . -B build >/dev/null
  cmake --build build --target pelmora-gateway -j"$(nproc)"
fi

echo "== Windows build"
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake \
  -DCMAKE_BUILD_TYPE=Release -DPELMORA_SIMDJSON_DIR="$simdjson" \
  -DPELMORA_SIMULATOR="$PWD/build/pelmora-gateway" -DPELMORA_WERROR=ON >/dev/null
cmake --build build-windows -j"$(nproc)"

echo "== Windows tests under Wine"
export WINEPREFIX=${WINEPREFIX:-$PWD/build-windows/wine}
export WINEDEBUG=${WINEDEBUG:-err+module}
export WINEDLLOVERRIDES="mscoree,mshtml="
# One display for the whole run: Wine's desktop process stays with the
# display it first met, so the window tests share theirs.
wineserver -k 2>/dev/null || true
(cd build-windows && xvfb-run -a -s "-screen 0 1280x1024x24" sh -c \
  '[ -d "$WINEPREFIX" ] || wineboot --init >/dev/null 2>&1; ctest --output-on-failure -j"$(nproc)" --timeout 300; status=$?; wineserver -k; exit $status')
echo "== Windows: all passed"
