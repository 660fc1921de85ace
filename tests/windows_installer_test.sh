#!/usr/bin/env bash
# The installer under Wine, in a Wine prefix of its own: a silent install
# over an older one (2.5.0.1, as its installer left it, with settings, a
# token file and history) replaces its programs and keeps what the user
# saved; the installed program starts on the gateway in
# PELMORA_GATEWAY_ADDRESS and saves its settings when closed; a silent
# uninstall removes everything it installed and leaves the settings. Needs
# a display.
#   tests/windows_installer_test.sh WINE SETUP.EXE PROGRAMS PREFIX
set -euo pipefail
wine=$1
setup=$2
built=$3
export WINEPREFIX=$4
export WINEDEBUG=${WINEDEBUG:-fixme-all,err+module}
address=${PELMORA_GATEWAY_ADDRESS:-127.0.0.1:9}
settings='HKCU\Software\VB and VBA Program Settings\Pelmora\Settings'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelmora'

rm -rf "$WINEPREFIX"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
"$wine" wineboot --init >/dev/null 2>&1
user_folder="$WINEPREFIX/drive_c/users/$(id -un)"
programs="$user_folder/AppData/Local/Programs/Pelmora"
start_menu="$user_folder/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Pelmora"
token="$user_folder/AppData/Roaming/Pelmora/token"
day_file="$user_folder/AppData/Local/Pelmora/history/2026-12-09.csv"

fail() {
  echo "FAIL: $*"
  exit 1
}
# Waits up to $1 seconds for the command after it to succeed.
within() {
  local seconds=$1
  shift
  for _ in $(seq 1 $((seconds * 10))); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
absent() { [ ! -e "$1" ]; }
saved() { "$wine" reg query "$settings" /v "$1" 2>/dev/null | tr -d '\r' | grep -F "$2" >/dev/null; }

# The older install, and what its user saved.
mkdir -p "$programs" "$start_menu" "$(dirname "$token")" "$(dirname "$day_file")"
for file in Pelmora.exe PelmoraB.exe use.txt uninstall.exe; do echo "2.5.0.1 $file" >"$programs/$file"; done
echo "2.5.0.1 link" >"$start_menu/Pelmora.lnk"
"$wine" reg add "$uninstall_key" /v DisplayVersion /d 2.5.0.1 /f >/dev/null 2>&1
"$wine" reg add "$settings" /v Delay /d 1500 /f >/dev/null 2>&1
echo "an owner token" >"$token"
echo "minute,produced_wh" >"$day_file"

"$wine" "$setup" /S
cmp -s "$built/Pelmora.exe" "$programs/Pelmora.exe" || fail "the older Pelmora.exe was not replaced"
cmp -s "$built/PelmoraB.exe" "$programs/PelmoraB.exe" || fail "the older PelmoraB.exe was not replaced"
saved Delay 1500 || fail "the upgrade lost the settings"
grep -qx "an owner token" "$token" || fail "the upgrade lost the token file"
[ -s "$day_file" ] || fail "the upgrade lost the history"
for file in "$programs/Pelmora.exe" "$programs/PelmoraB.exe" "$programs/use.txt" "$programs/uninstall.exe" \
  "$start_menu/Pelmora.lnk" "$start_menu/PelmoraB.lnk"; do
  [ -f "$file" ] || fail "not installed: $file"
done
"$wine" reg query "$uninstall_key" /v UninstallString >/dev/null 2>&1 || fail "no entry among the installed programs"

# Closed as a user closes it (WM_CLOSE), the program saves the address it was given.
(cd "$programs" && "$wine" Pelmora.exe "$address") &
program=$!
sleep 4
kill -0 $program 2>/dev/null || fail "the installed program did not keep running"
"$wine" taskkill /im Pelmora.exe >/dev/null 2>&1
within 20 absent "/proc/$program" || fail "the program did not close on WM_CLOSE"
saved IP "$address" || fail "the program saved no settings"

# An upgrade while the program runs asks it to quit first, as its Quit does (the settings saved).
start_installed() {
  (cd "$programs" && "$wine" Pelmora.exe "$address") &
  program=$!
  sleep 4
  kill -0 $program 2>/dev/null || fail "the installed program did not keep running"
}
start_installed
"$wine" reg delete "$settings" /v IP /f >/dev/null 2>&1
"$wine" "$setup" /S
within 20 absent "/proc/$program" || fail "the upgrade did not close the running program"
saved IP "$address" || fail "the program the upgrade closed saved no settings"
cmp -s "$built/Pelmora.exe" "$programs/Pelmora.exe" || fail "the upgrade over the running program left the old one"

# Started with Windows, as the Desktop page sets it, and a portable PelmoraB
# elsewhere; removed while the installed one runs.
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
installed=$("$wine" winepath -w "$programs/Pelmora.exe" 2>/dev/null | tr -d '\r')
"$wine" reg add "$run_key" /v Pelmora /d "\"$installed\" --tray" /f >/dev/null 2>&1
"$wine" reg add "$run_key" /v PelmoraB /d "\"D:\\Portable\\PelmoraB.exe\"" /f >/dev/null 2>&1
start_installed
"$wine" "$programs/uninstall.exe" /S
within 20 absent "/proc/$program" || fail "the uninstaller did not close the running program"
within 30 absent "$programs" || fail "the program's folder is still there: $(ls "$programs")"
absent "$start_menu" || fail "the Start-menu entries are still there"
! "$wine" reg query "$uninstall_key" >/dev/null 2>&1 || fail "the entry among the installed programs is still there"
saved IP "$address" || fail "the uninstaller removed the settings"
! "$wine" reg query "$run_key" /v Pelmora >/dev/null 2>&1 || fail "the start with Windows names a removed program"
"$wine" reg query "$run_key" /v PelmoraB >/dev/null 2>&1 || fail "the uninstaller removed a portable copy's start"
grep -qx "an owner token" "$token" || fail "the uninstaller removed the token file"
echo "installed over an older install and over the running program, started, closed and removed while running;" \
  "the settings, token, history and a portable copy's start stay"
