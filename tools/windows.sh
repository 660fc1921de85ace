#!/usr/bin/env bash
# The Windows program: installs the cross-compiler and Wine, fetches
# simdjson's, OpenSSL's and mosquitto's sources from Debian (the last two
# built static once), cross-builds into build-windows/ and runs
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

# A Debian source package unpacked once into build-windows/<name> (never
# into the repository); prints its folder.
pelmora_source_package() {
  local name=$1 dir=build-windows/$1
  if [ ! -e "$dir/.unpacked" ]; then
    [ "$(id -u)" -eq 0 ] && pelmora_source_entries
    rm -rf "build-windows/$name-fetch" "$dir"
    mkdir -p "build-windows/$name-fetch"
    (cd "build-windows/$name-fetch" && apt-get source -qq "$name" >/dev/null 2>&1 ||
      apt-get source --download-only -qq "$name" >/dev/null)
    local unpacked
    unpacked=$(find "build-windows/$name-fetch" -maxdepth 1 -mindepth 1 -type d -name "$name-*" | head -1)
    if [ -z "$unpacked" ]; then
      (cd "build-windows/$name-fetch" && dpkg-source -x ./*.dsc "$name" >/dev/null)
      unpacked=build-windows/$name-fetch/$name
    fi
    mv "$unpacked" "$dir"
    rm -rf "build-windows/$name-fetch"
    touch "$dir/.unpacked"
  fi
  echo "$PWD/$dir"
}

# Runs a build step with its output in a log, shown only when it fails.
pelmora_logged() {
  local log=$1
  shift
  if ! "$@" >"$log" 2>&1; then
    tail -40 "$log" >&2
    return 1
  fi
}

# OpenSSL from Debian's source, static for mingw, its libraries and headers
# installed into build-windows/openssl-static; prints that folder. The x86
# assembly does not assemble for COFF here, so it is built without.
pelmora_openssl() {
  local out=$PWD/build-windows/openssl-static src
  if [ ! -f "$out/lib/libssl.a" ]; then
    src=$(pelmora_source_package openssl)
    echo "== OpenSSL for Windows (static)" >&2
    (cd "$src" && pelmora_logged "$src/pelmora-configure.log" ./Configure mingw no-shared no-asm no-tests \
      --cross-compile-prefix=i686-w64-mingw32- --prefix="$out" --libdir=lib &&
      pelmora_logged "$src/pelmora-build.log" make -j"$(nproc)" build_libs &&
      pelmora_logged "$src/pelmora-install.log" make install_dev)
  fi
  echo "$out"
}

# The mosquitto client library alone from Debian's source, static (its DLL
# links against a hard-wired pthreads path), with TLS on OpenSSL; into
# build-windows/mosquitto-static; prints that folder.
pelmora_mosquitto() {
  local openssl=$1 out=$PWD/build-windows/mosquitto-static src
  if [ ! -f "$out/lib/libmosquitto_static.a" ]; then
    src=$(pelmora_source_package mosquitto)
    echo "== mosquitto's client library for Windows (static)" >&2
    pelmora_logged build-windows/mosquitto-configure.log cmake -S "$src" -B build-windows/mosquitto-build \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/i686-w64-mingw32.cmake" -DCMAKE_BUILD_TYPE=Release \
      -DWITH_STATIC_LIBRARIES=ON -DWITH_TLS=ON -DWITH_TLS_PSK=OFF -DWITH_CLIENTS=OFF -DWITH_BROKER=OFF \
      -DWITH_APPS=OFF -DWITH_PLUGINS=OFF -DDOCUMENTATION=OFF -DWITH_CJSON=OFF -DWITH_LIB_CPP=OFF \
      -DOPENSSL_INCLUDE_DIR="$openssl/include" -DOPENSSL_SSL_LIBRARY="$openssl/lib/libssl.a" \
      -DOPENSSL_CRYPTO_LIBRARY="$openssl/lib/libcrypto.a" -DLIB_EAY="$openssl/lib/libcrypto.a" \
      -DSSL_EAY="$openssl/lib/libssl.a"
    pelmora_logged build-windows/mosquitto-build.log \
      cmake --build build-windows/mosquitto-build --target libmosquitto_static -j"$(nproc)"
    mkdir -p "$out/lib" "$out/include"
    cp "$(find build-windows/mosquitto-build -name libmosquitto_static.a | head -1)" "$out/lib/"
    cp "$src"/include/*.h "$out/include/"
  fi
  echo "$out"
}

pelmora_windows_packages
simdjson=$(pelmora_source_package simdjson)/singleheader
openssl=$(pelmora_openssl)
mosquitto=$(pelmora_mosquitto "$openssl")

# The Windows request is tested against the Linux gateway simulator.
if [ ! -x build/pelmora-gateway ]; then
  pelmora_install_packages "${PELMORA_RUN_PACKAGES[@]}"
  cmake -S . -B build >/dev/null
  cmake --build build --target pelmora-gateway -j"$(nproc)"
fi

echo "== Windows build"
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake \
  -DCMAKE_BUILD_TYPE=Release -DPELMORA_SIMDJSON_DIR="$simdjson" \
  -DPELMORA_OPENSSL_DIR="$openssl" -DPELMORA_MOSQUITTO_DIR="$mosquitto" \
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
