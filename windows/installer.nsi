; Pelmora's installer: per user, with no administrator rights, into the
; user's own programs folder, with Start-menu entries for both programs.
; The uninstaller removes what this installs and nothing else: the settings
; in the registry, the output file and the error log stay where they are.
; The 32-bit and the 64-bit installer put their programs in the same folder
; under the same entries, so that either replaces the other as an upgrade.
; makensis gets PELMORA_VERSION, PELMORA_BINARY_DIR, PELMORA_ICON and
; PELMORA_OUTPUT, and PELMORA_AMD64 for the 64-bit installer.

!ifdef PELMORA_AMD64
Target amd64-unicode
!else
Unicode true
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel user
Name "Pelmora"
OutFile "${PELMORA_OUTPUT}"
Icon "${PELMORA_ICON}"
UninstallIcon "${PELMORA_ICON}"
InstallDir "$LOCALAPPDATA\Programs\Pelmora"
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${PELMORA_VERSION}"
VIAddVersionKey "ProductName" "Pelmora"
VIAddVersionKey "FileDescription" "Pelmora setup"
VIAddVersionKey "FileVersion" "${PELMORA_VERSION}"
VIAddVersionKey "ProductVersion" "${PELMORA_VERSION}"
VIAddVersionKey "LegalCopyright" "2026 The Pelmora developers"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelmora"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; What a running Pelmora's instance window takes as "quit" (WM_APP + 21).
!define PELMORA_QUIT 32789

; Asks every running Pelmora and PelmoraB to quit, as its menu's Quit does
; (the settings saved), and waits up to 10 s for them to be gone.
!macro CloseRunningPrograms
  StrCpy $R1 0
  FindWindow $R0 "PelmoraInstance" ""
  IntCmp $R0 0 +5
  SendMessage $R0 ${PELMORA_QUIT} 0 0 /TIMEOUT=2000
  Sleep 250
  IntOp $R1 $R1 + 1
  IntCmp $R1 40 +1 -5 +1
  ; The process ends a moment after its windows.
  Sleep 500
!macroend

; Removes a start with Windows only where it names this installed program,
; not a portable copy elsewhere.
!macro RemoveRunValue NAME
  ReadRegStr $R0 HKCU "${RUN_KEY}" "${NAME}"
  StrCmp $R0 '"$INSTDIR\${NAME}.exe"' 0 +2
    DeleteRegValue HKCU "${RUN_KEY}" "${NAME}"
  StrCmp $R0 '"$INSTDIR\${NAME}.exe" --tray' 0 +2
    DeleteRegValue HKCU "${RUN_KEY}" "${NAME}"
!macroend

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Pelmora"
  SetShellVarContext current
  !insertmacro CloseRunningPrograms
  SetOutPath "$INSTDIR"
  File "${PELMORA_BINARY_DIR}\Pelmora.exe"
  File "${PELMORA_BINARY_DIR}\PelmoraB.exe"
  File "${PELMORA_BINARY_DIR}\use.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The working folder of both entries is the program's folder, where the
  ; error log is kept.
  CreateDirectory "$SMPROGRAMS\Pelmora"
  CreateShortcut "$SMPROGRAMS\Pelmora\Pelmora.lnk" "$INSTDIR\Pelmora.exe" "" "$INSTDIR\Pelmora.exe" 0
  CreateShortcut "$SMPROGRAMS\Pelmora\PelmoraB.lnk" "$INSTDIR\PelmoraB.exe" "" "$INSTDIR\PelmoraB.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Pelmora"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${PELMORA_VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Pelmora.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  !insertmacro CloseRunningPrograms
  Delete "$SMPROGRAMS\Pelmora\Pelmora.lnk"
  Delete "$SMPROGRAMS\Pelmora\PelmoraB.lnk"
  RMDir "$SMPROGRAMS\Pelmora"
  Delete "$INSTDIR\Pelmora.exe"
  Delete "$INSTDIR\PelmoraB.exe"
  Delete "$INSTDIR\use.txt"
  ; A start with Windows would name a program that is gone.
  !insertmacro RemoveRunValue Pelmora
  !insertmacro RemoveRunValue PelmoraB
  ; A program that could not be removed keeps its entry, so that it can be removed later.
  IfFileExists "$INSTDIR\Pelmora.exe" kept 0
  IfFileExists "$INSTDIR\PelmoraB.exe" kept 0
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: an error log or output file kept here stays.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  Goto done
  kept:
  DetailPrint "Pelmora is still running and could not be removed; close it and run the uninstaller again."
  SetErrors
  done:
SectionEnd
