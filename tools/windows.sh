#!/usr/bin/env bash
# The Windows programs, 64-bit and 32-bit: checks what it needs (installing
# the packages as root), fetches simdjson's, OpenSSL's and mosquitto's
# sources from Debian once, builds OpenSSL and mosquitto static for each
# architecture once, cross-builds into build-windows-x86_64/ and
# build-windows-i686/, and runs the Windows tests on the 64-bit program
# under wine64 (with Xvfb for the windows). The 32-bit program's tests run
# only where this machine runs 32-bit code, which a probe finds out; elsewhere
# it is built, not run, and the script says so. Stops at the first failure
# with its log's tail and one line that names it.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
source tools/debian_source.sh

PELMORA_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 fonts-wine nsis zip
  xvfb xauth dpkg-dev)
sources=$PWD/build-windows-sources
export WINEDEBUG=${WINEDEBUG:-err+module}
export WINEDLLOVERRIDES="mscoree,mshtml="

fail() {
  echo "windows.sh: FAILED: $*" >&2
  exit 1
}

# Runs a step with its output in a log; on failure shows the log's tail and ends the script.
step() {
  local what=$1 log=$2
  shift 2
  mkdir -p "$(dirname "$log")"
  if ! "$@" >"$log" 2>&1; then
    tail -40 "$log" >&2
    fail "$what (whole log: $log)"
  fi
}

# Source packages come from the entries the machine already has.
source_entries() {
  local list=/etc/apt/sources.list.d/pelmora-source.sources
  [ -e "$list" ] || [ -e /etc/apt/sources.list.d/pelmora-source.list ] && return 0
  if [ -e /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$list"
  elif [ -e /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >/etc/apt/sources.list.d/pelmora-source.list
  fi
  # An index that fails (a mirror in the middle of a sync) is not the source's.
  pelmora_apt update -qq || true
}

install_packages() {
  local missing
  missing=$(pelmora_missing_packages "$@")
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    fail "missing packages: $missing (as root: apt-get update && apt-get install -y --no-install-recommends $missing)"
  fi
  echo "Installing: $missing"
  pelmora_apt update -qq || echo "Some package indexes could not be fetched; installing from the others"
  DEBIAN_FRONTEND=noninteractive pelmora_apt install -y -qq --no-install-recommends $missing >/dev/null ||
    fail "could not install: $missing"
}

# Whether this machine runs 32-bit x86 code: a 96-byte static i386 program
# that only exits with status 42.
runs_32bit_code() {
  local probe=$PWD/build-windows-i686/probe32
  mkdir -p build-windows-i686
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08'`
    `'\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'`
    `'\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00'`
    `'\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  local status=0
  "$probe" 2>/dev/null || status=$?
  [ "$status" -eq 42 ]
}

# A Wine prefix of one architecture, made once; fails unless Wine starts in it.
wine_prefix() {
  local arch=$1 loader=$2 prefix=$3 answer
  if [ ! -e "$prefix/.ready" ]; then
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    WINEARCH=$arch WINEPREFIX=$prefix timeout 300 xvfb-run -a "$loader" wineboot --init >"$prefix.log" 2>&1 || true
    answer=$(WINEPREFIX=$prefix timeout 120 "$loader" cmd /c echo wine-ready 2>>"$prefix.log" | tr -d '\r') || true
    if [ "$answer" != "wine-ready" ]; then
      tail -5 "$prefix.log" >&2
      WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
      fail "Wine cannot start a $arch prefix with $loader (log: $prefix.log)"
    fi
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    touch "$prefix/.ready"
  fi
}

source_package() {
  local name=$1
  [ -d "$sources/$name" ] && return 0
  [ "$(id -u)" -eq 0 ] && source_entries
  mkdir -p "$sources"
  pelmora_fetch_source "$name" "$sources/$name" || fail "fetching the source package $name"
}

# Every library of the program sees a 64-bit time_t, 32-bit Windows too.
time_flags=-D__MINGW_USE_VC2005_COMPAT

# OpenSSL static for one architecture, built once out of the shared source
# into build-windows-ARCH/openssl. The x86 assembly does not assemble for
# COFF here, so both are built without.
openssl_for() {
  local arch=$1 target=$2 out=$PWD/build-windows-$1/openssl work=$PWD/build-windows-$1/openssl-build
  [ -f "$out/lib/libssl.a" ] && return 0
  echo "== OpenSSL for $arch Windows (static)"
  rm -rf "$work"
  mkdir -p "$work"
  step "configuring OpenSSL for $arch" "$work/configure.log" bash -c "cd '$work' && perl '$sources/openssl/Configure' \
    $target no-shared no-asm no-tests --cross-compile-prefix=$arch-w64-mingw32- --prefix='$out' --libdir=lib $time_flags"
  step "building OpenSSL for $arch" "$work/build.log" make -C "$work" -j"$(nproc)" build_libs
  step "installing OpenSSL for $arch" "$work/install.log" make -C "$work" install_dev
  rm -rf "$work"
}

# The mosquitto client library alone, static (its DLL links against a
# hard-wired pthreads path), with TLS on that architecture's OpenSSL.
mosquitto_for() {
  local arch=$1 openssl=$PWD/build-windows-$1/openssl out=$PWD/build-windows-$1/mosquitto
  local work=$PWD/build-windows-$1/mosquitto-build
  [ -f "$out/lib/libmosquitto_static.a" ] && return 0
  echo "== mosquitto's client library for $arch Windows (static)"
  step "configuring mosquitto for $arch" "$work.configure.log" cmake -S "$sources/mosquitto" -B "$work" \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/$arch-w64-mingw32.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS="$time_flags" -DWITH_STATIC_LIBRARIES=ON -DWITH_TLS=ON -DWITH_TLS_PSK=OFF -DWITH_CLIENTS=OFF -DWITH_BROKER=OFF \
    -DWITH_APPS=OFF -DWITH_PLUGINS=OFF -DDOCUMENTATION=OFF -DWITH_CJSON=OFF -DWITH_LIB_CPP=OFF \
    -DOPENSSL_INCLUDE_DIR="$openssl/include" -DOPENSSL_SSL_LIBRARY="$openssl/lib/libssl.a" \
    -DOPENSSL_CRYPTO_LIBRARY="$openssl/lib/libcrypto.a" -DLIB_EAY="$openssl/lib/libcrypto.a" \
    -DSSL_EAY="$openssl/lib/libssl.a"
  step "building mosquitto for $arch" "$work.build.log" \
    cmake --build "$work" --target libmosquitto_static -j"$(nproc)"
  mkdir -p "$out/lib" "$out/include"
  cp "$(find "$work" -name libmosquitto_static.a | head -1)" "$out/lib/"
  cp "$sources"/mosquitto/include/*.h "$out/include/"
  rm -rf "$work"
}

# The program of one architecture, with its tests or without; extra CMake
# options follow.
program_for() {
  local arch=$1 tests=$2 dir=build-windows-$1
  shift 2
  echo "== Windows $arch build$([ "$tests" = ON ] && echo " with its tests")"
  step "configuring the $arch Windows build" "$dir/pelmora-configure.log" cmake -S . -B "$dir" \
    -DCMAKE_TOOLCHAIN_FILE="cmake/$arch-w64-mingw32.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DPELMORA_SIMDJSON_DIR="$sources/simdjson/singleheader" -DPELMORA_OPENSSL_DIR="$PWD/$dir/openssl" \
    -DPELMORA_MOSQUITTO_DIR="$PWD/$dir/mosquitto" -DPELMORA_SIMULATOR="$PWD/build/pelmora-gateway" \
    -DPELMORA_TESTS="$tests" -DPELMORA_WERROR=ON "$@"
  step "building the $arch Windows program" "$dir/pelmora-build.log" cmake --build "$dir" -j"$(nproc)"
}

# The tests of one build on a display of their own, in that architecture's
# prefix: Wine's desktop process stays with the display it first met, so
# the window tests share one.
tests_for() {
  local arch=$1 winearch=$2 dir=build-windows-$1
  echo "== Windows $arch tests under Wine"
  WINEPREFIX=$PWD/$dir/wine wineserver -k 2>/dev/null || true
  if ! (cd "$dir" && WINEARCH=$winearch WINEPREFIX=$PWD/wine xvfb-run -a -s "-screen 0 1280x1024x24" sh -c \
    'ctest --output-on-failure -j"$(nproc)" --timeout 300; status=$?; wineserver -k; exit $status'); then
    fail "the $arch Windows tests (above)"
  fi
}

# What is needed, before any build.
install_packages "${PELMORA_WINDOWS_PACKAGES[@]}"
wine_prefix win64 /usr/lib/wine/wine64 "$PWD/build-windows-x86_64/wine"
run32=false
if runs_32bit_code; then
  run32=true
  if ! dpkg --print-foreign-architectures | grep -qx i386 && [ "$(id -u)" -eq 0 ]; then
    dpkg --add-architecture i386
  fi
  install_packages wine32:i386
  wine_prefix win32 /usr/lib/wine/wine "$PWD/build-windows-i686/wine"
fi
for name in simdjson openssl mosquitto; do source_package "$name"; done

# The Windows request is tested against the Linux gateway simulator.
if [ ! -x build/pelmora-gateway ]; then
  pelmora_install_packages "${PELMORA_RUN_PACKAGES[@]}"
  step "configuring the Linux build for the simulator" build/simulator-configure.log cmake -S . -B build
  step "building the gateway simulator" build/simulator-build.log \
    cmake --build build --target pelmora-gateway -j"$(nproc)"
fi

openssl_for i686 mingw
mosquitto_for i686
program_for i686 "$([ $run32 = true ] && echo ON || echo OFF)"
openssl_for x86_64 mingw64
mosquitto_for x86_64
program_for x86_64 ON -DPELMORA_PROGRAMS_32BIT="$PWD/build-windows-i686/windows"

tests_for x86_64 win64
if $run32; then
  tests_for i686 win32
  echo "== Windows: all passed, the 64-bit and the 32-bit program"
else
  echo "== Windows: the 64-bit program's tests passed; 32-bit programs cannot run on this machine, so the 32-bit program was built but not run"
fi
