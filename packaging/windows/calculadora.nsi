; The Windows installer, made by scripts/windows.sh with NSIS's makensis:
;   makensis -DVERSION=1.0 -DSTAGE=FOLDER -DFILES=LIST.nsh -DICON=calculadora.ico
;            -DOUTFILE=SETUP.exe calculadora.nsi
; STAGE holds the program's files as the install component "calculadora"
; lays them out (cmake/install-windows.cmake); LIST.nsh names each of them
; once, as !insertmacro ${ACTION} "NAME" lines in a macro FILES, so that the
; install and the uninstall walk the same list.
; Installs into Program Files\Calculadora, with a Start-menu entry that starts
; the program in that folder (it reads its data files from its working
; directory), an entry in the system's list of installed programs, and an
; uninstaller. Silent with /S; the uninstaller runs silently and waits with
;   uninstall.exe /S _?=INSTALL_FOLDER
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

Name "Calculadora"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Calculadora"
Icon "${ICON}"
UninstallIcon "${ICON}"
BrandingText "Calculadora ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "Calculadora"
VIAddVersionKey "FileDescription" "Calculadora installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Expat licence; see copyright.txt"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Calculadora"
!define SHORTCUT "$SMPROGRAMS\Calculadora.lnk"

!include "${FILES}"
!macro INSTALL NAME
  File "${STAGE}\${NAME}"
!macroend
!macro REMOVE NAME
  Delete "$INSTDIR\${NAME}"
!macroend

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  !insertmacro FILES INSTALL
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; A shortcut's working directory is the output folder current when it is made.
  CreateShortcut "${SHORTCUT}" "$INSTDIR\calculadora.exe" "" "$INSTDIR\calculadora.exe" 0 \
    SW_SHOWNORMAL "" "Pocket calculator"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Calculadora"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Calculadora developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\calculadora.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the install put there goes; a folder left with files of the
; user's own stays.
Section "Uninstall"
  SetShellVarContext all
  Delete "${SHORTCUT}"
  !insertmacro FILES REMOVE
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
