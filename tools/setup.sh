#!/usr/bin/env bash
# Installs what the build needs (Debian 12 packages) and builds into build/.
# Sourced by run.sh and test.sh.
set -euo pipefail

# What building and running the program need (./run.sh).
PELMORA_RUN_PACKAGES=(
  g++ cmake make pkg-config
  libcurl4-openssl-dev libcpp-httplib-dev libssl-dev
  qt6-base-dev qt6-charts-dev qtkeychain-qt6-dev
  libmosquitto-dev libsimdjson-dev fonts-liberation tzdata
)
# What the tests add (./test.sh): test libraries, a display, a keyring and a
# broker to test against, the package tools and the linters.
PELMORA_TEST_PACKAGES=(
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils gnome-keyring dbus dbus-daemon locales mosquitto
  dpkg-dev lintian appstream desktop-file-utils man-db
  clang libclang-rt-14-dev clang-tidy clang-format
)
PELMORA_PACKAGES=("${PELMORA_RUN_PACKAGES[@]}" "${PELMORA_TEST_PACKAGES[@]}")

pelmora_missing_packages() {
  local missing=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  echo "${missing[@]:-}"
}

# Installs the packages named (all of them when none are).
pelmora_install_packages() {
  local missing
  if [ $# -eq 0 ]; then set -- "${PELMORA_PACKAGES[@]}"; fi
  missing=$(pelmora_missing_packages "$@")
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Run as root:"
    echo "  apt-get update && apt-get install -y $missing"
    exit 1
  fi
  echo "Installing: $missing"
  pelmora_apt update -qq
  DEBIAN_FRONTEND=noninteractive pelmora_apt install -y -qq $missing >/dev/null
}

# apt-get, waiting up to five minutes for another apt or dpkg to let go of
# its locks rather than failing at once.
pelmora_apt() {
  local waited=0 err
  err=$(mktemp)
  until apt-get -o DPkg::Lock::Timeout=300 "$@" 2>"$err"; do
    if [ $waited -ge 300 ] || ! grep -q "Could not get lock" "$err"; then
      cat "$err" >&2
      rm -f "$err"
      return 1
    fi
    echo "Waiting for another package manager to finish..."
    sleep 10
    waited=$((waited + 10))
  done
  rm -f "$err"
}

# The tests need a locale with "," as its decimal point.
pelmora_provide_locale() {
  locale -a 2>/dev/null | grep -qix 'de_DE.utf8' && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "The de_DE.UTF-8 locale is missing. Run as root:"
    echo "  localedef -i de_DE -c -f UTF-8 de_DE.UTF-8"
    exit 1
  fi
  echo "Generating the de_DE.UTF-8 locale"
  localedef -i de_DE -c -f UTF-8 de_DE.UTF-8
}

pelmora_build() {
  local dir=${1:-build}
  shift || true
  local werror=OFF
  [ "${CI:-}" = "true" ] && werror=ON
  cmake -S . -B "$dir" -DPELMORA_WERROR=$werror "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}
