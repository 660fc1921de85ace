#!/usr/bin/env bash
# The installer under Wine, in a Wine prefix of its own: a silent install
# puts both programs and their Start-menu entries in the user's folders; the
# installed program starts on the gateway in PELMORA_GATEWAY_ADDRESS and
# saves its settings when closed; a silent uninstall removes everything it
# installed and leaves the settings. Needs a display.
#   tests/windows_installer_test.sh SETUP.EXE PREFIX
set -euo pipefail
setup=$1
export WINEPREFIX=$2
export WINEDEBUG=${WINEDEBUG:-fixme-all,err+module}
address=${PELMORA_GATEWAY_ADDRESS:-127.0.0.1:9}
settings='HKCU\Software\VB and VBA Program Settings\Pelmora\Settings'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelmora'

rm -rf "$WINEPREFIX"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
wineboot --init >/dev/null 2>&1
user_folder="$WINEPREFIX/drive_c/users/$(id -un)"
programs="$user_folder/AppData/Local/Programs/Pelmora"
start_menu="$user_folder/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Pelmora"

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
saved() { wine reg query "$settings" /v "$1" 2>/dev/null | tr -d '\r' | grep -F "$2" >/dev/null; }

wine "$setup" /S
for file in "$programs/Pelmora.exe" "$programs/PelmoraB.exe" "$programs/use.txt" "$programs/uninstall.exe" \
  "$start_menu/Pelmora.lnk" "$start_menu/PelmoraB.lnk"; do
  [ -f "$file" ] || fail "not installed: $file"
done
wine reg query "$uninstall_key" /v UninstallString >/dev/null 2>&1 || fail "no entry among the installed programs"

# Closed as a user closes it (WM_CLOSE), the program saves the address it was given.
(cd "$programs" && wine Pelmora.exe "$address") &
program=$!
sleep 4
kill -0 $program 2>/dev/null || fail "the installed program did not keep running"
wine taskkill /im Pelmora.exe >/dev/null 2>&1
within 20 absent "/proc/$program" || fail "the program did not close on WM_CLOSE"
saved IP "$address" || fail "the program saved no settings"

# Started with Windows, as the Desktop page sets it.
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
wine reg add "$run_key" /v Pelmora /d "\"C:\\Pelmora.exe\" --tray" /f >/dev/null 2>&1
wine "$programs/uninstall.exe" /S
within 30 absent "$programs" || fail "the program's folder is still there: $(ls "$programs")"
absent "$start_menu" || fail "the Start-menu entries are still there"
! wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "the entry among the installed programs is still there"
saved IP "$address" || fail "the uninstaller removed the settings"
! wine reg query "$run_key" /v Pelmora >/dev/null 2>&1 || fail "the start with Windows names a removed program"
echo "installed, started, closed and removed; the settings stay"
