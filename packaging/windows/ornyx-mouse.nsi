; The Windows installer of Ornyx Mouse (make windows-installer). Per user and
; without administrator rights by default: the program goes to
; %LOCALAPPDATA%\Programs\Ornyx Mouse, the shortcuts to the user's Start menu
; and Startup folder, the uninstall entry to HKCU. The files come from a staged
; folder; scripts/windows-installer writes the lists this script includes, so
; that the uninstaller removes exactly what was installed.
;   makensis -DVERSION=x.y.z -DSTAGE=<folder> -DLISTS=<folder> -DOUTFILE=<file> ornyx-mouse.nsi
; A 64-bit program: a 64-bit installer, which also needs no 32-bit support.
Target amd64-unicode
SetCompressor /SOLID lzma

!define NAME "Ornyx Mouse"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\org.ornyx.OrnyxMouse"

Name "${NAME}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${NAME}"
InstallDirRegKey HKCU "Software\${NAME}" "InstallDir"
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${NAME}"
VIAddVersionKey /LANG=1033 "FileDescription" "${NAME} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 The Ornyx Mouse developers (MIT License)"
Icon "${STAGE}\..\ornyx-mouse.ico"
UninstallIcon "${STAGE}\..\ornyx-mouse.ico"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The running program holds its files open: ask it to end first. It keeps
; running in the notification area when asked to close its window, so what is
; still there after a second is ended; its files are written atomically, so
; nothing is half-written by that.
!macro EndRunningProgram
  nsExec::Exec '"$SYSDIR\taskkill.exe" /IM ornyx-mouse.exe'
  Pop $0
  Sleep 1000
  nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM ornyx-mouse.exe'
  Pop $0
  Sleep 500
!macroend

Section "Install"
  !insertmacro EndRunningProgram
  SetOutPath "$INSTDIR"
  !include "${LISTS}\install.nsh"
  ; The settings files are the user's once written: an upgrade keeps them.
  SetOverwrite off
  File "${STAGE}\..\config.bin"
  File "${STAGE}\..\str.ini"
  SetOverwrite on
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\ornyx-mouse.exe" "" "$INSTDIR\ornyx-mouse.exe" 0
  ; At log-in the program starts in the notification area, its window hidden.
  CreateShortCut "$SMSTARTUP\${NAME}.lnk" "$INSTDIR\ornyx-mouse.exe" "--hidden" "$INSTDIR\ornyx-mouse.exe" 0

  WriteRegStr HKCU "Software\${NAME}" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Ornyx Mouse developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ornyx-mouse.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

; Only what the installer put there: the settings, the user's own skins and
; profiles and everything else the user made stay, and so does the folder
; when it still holds them.
Section "Uninstall"
  !insertmacro EndRunningProgram
  !include "${LISTS}\uninstall.nsh"
  ; The home lock is the program's, not the user's.
  Delete "$INSTDIR\.ornyx-mouse.lock"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${NAME}.lnk"
  Delete "$SMSTARTUP\${NAME}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\${NAME}"
SectionEnd
