; A small program installed by a real NSIS installer, for the leftover tests
; and the demo registry: its uninstaller is real, and it deletes its own entry.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef OUTFILE
  !define OUTFILE "karnio-nsis-demo.exe"
!endif
!define ENTRY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KarnioNsisDemo"

Name "Muistikirja (NSIS-esittely)"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Muistikirja"
RequestExecutionLevel admin
SilentInstall silent
SilentUnInstall silent

Section
  SetRegView 64
  SetOutPath "$INSTDIR"
  File "/oname=lueminut.txt" "${__FILE__}"
  WriteUninstaller "$INSTDIR\poista.exe"
  WriteRegStr HKLM "${ENTRY}" "DisplayName" "Muistikirja (NSIS-esittely)"
  WriteRegStr HKLM "${ENTRY}" "UninstallString" '"$INSTDIR\poista.exe"'
  WriteRegStr HKLM "${ENTRY}" "QuietUninstallString" '"$INSTDIR\poista.exe" /S'
  WriteRegStr HKLM "${ENTRY}" "Publisher" "Karnio-esittely"
  WriteRegStr HKLM "${ENTRY}" "DisplayVersion" "1.0"
  WriteRegStr HKLM "${ENTRY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${ENTRY}" "EstimatedSize" 1536
SectionEnd

Section "Uninstall"
  SetRegView 64
  Delete "$INSTDIR\lueminut.txt"
  Delete "$INSTDIR\poista.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${ENTRY}"
SectionEnd
