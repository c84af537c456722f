; The Windows installer, made by scripts/windows.sh with NSIS's makensis:
;   makensis -DVERSION=1.0 -DSTAGE=FOLDER -DFILES=LIST.nsh -DICON=calculadora.ico
;            -DOUTFILE=SETUP.exe calculadora.nsi
; STAGE holds the program's files as the install component "calculadora"
; lays them out (cmake/install-windows.cmake); LIST.nsh names each of them
; once, as !insertmacro ${ACTION} "NAME" lines in a macro FILES, so that the
; install and the uninstall walk the same list.
;
; For everyone (Program Files, HKLM, the common Start menu) or for the user
; alone (their own Programs folder, HKCU, their Start menu): NSIS's MultiUser
; asks administrators, and a standard user gets a per-user install without
; being asked. Silently the choice is /AllUsers or /CurrentUser; without
; either, it is the mode of a copy already installed, else for everyone when
; the user may. The folder in use is remembered (InstallLocation) and offered
; again, so a second run replaces that copy in place; a copy found in another
; folder of the same mode is uninstalled first, so there is never a second.
; Pages: install mode (administrators only), folder, progress, finish (with
; "Run Calculadora"); the uninstaller's: confirmation, progress.
; Silent with /S (and /D=FOLDER, last); the uninstaller runs silently and waits with
;   uninstall.exe /S _?=INSTALL_FOLDER
; Exit status 0 on success, 2 when a running program of the folder stops it
; (silently at once, else when the user cancels), 1 when the user cancels.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Calculadora"
!define SHORTCUT "$SMPROGRAMS\Calculadora.lnk"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Calculadora"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!include FileFunc.nsh
!include LogicLib.nsh
!include MultiUser.nsh
!include MUI2.nsh

Name "Calculadora"
OutFile "${OUTFILE}"
BrandingText "Calculadora ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "Calculadora"
VIAddVersionKey "FileDescription" "Calculadora installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Expat licence; see copyright.txt"

!searchparse "${VERSION}" "" VERSION_MAJOR "." VERSION_MINOR
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

Var AvisoCarpeta ; the folder page's text: whether a copy is there already

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!define MUI_PAGE_CUSTOMFUNCTION_PRE AntesDeCarpeta
!define MUI_DIRECTORYPAGE_TEXT_TOP "$AvisoCarpeta"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Run Calculadora"
!define MUI_FINISHPAGE_RUN_FUNCTION Arrancar
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!include "${FILES}"
!macro INSTALL NAME
  File "${STAGE}\${NAME}"
!macroend
!macro REMOVE NAME
  Delete "$INSTDIR\${NAME}"
!macroend

; A program of the folder that is running holds its file open: neither the
; installer nor the uninstaller may go on, or they would leave a mix of two
; versions (or a file nothing removes). The user is asked to close it; silently
; the answer is Cancel, and the run ends with status 2, nothing touched.
!macro NINGUNO_EN_MARCHA UN
Function ${UN}NingunoEnMarcha
  ${Do}
    StrCpy $R1 ""
    ${ForEach} $R0 1 3 + 1
      ${Select} $R0
        ${Case} 1
          StrCpy $R2 "calculadora.exe"
        ${Case} 2
          StrCpy $R2 "galeria.exe"
        ${Case} 3
          StrCpy $R2 "consola.exe"
      ${EndSelect}
      ${If} ${FileExists} "$INSTDIR\$R2"
        ClearErrors
        FileOpen $R3 "$INSTDIR\$R2" a
        ${If} ${Errors}
          StrCpy $R1 $R2
        ${Else}
          FileClose $R3
        ${EndIf}
      ${EndIf}
    ${Next}
    ${If} $R1 == ""
      Return
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "$R1 is running from $INSTDIR.$\r$\nClose it, then choose Retry." /SD IDCANCEL IDRETRY +2
    ${Break}
  ${Loop}
  DetailPrint "$R1 is running from $INSTDIR: nothing was changed."
  SetErrorLevel 2
  Abort
FunctionEnd
!macroend
!insertmacro NINGUNO_EN_MARCHA ""
!insertmacro NINGUNO_EN_MARCHA "un."

Function .onInit
  ; /D= sets $INSTDIR before this; MultiUser would put its default over it.
  StrCpy $0 $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

; The uninstaller takes the mode of the copy it belongs to: the one whose
; InstallLocation is its own folder.
Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    Call un.MultiUser.InstallMode.CurrentUser
  ${Else}
    Call un.MultiUser.InstallMode.AllUsers
  ${EndIf}
FunctionEnd

Function AntesDeCarpeta
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $0 != ""
    StrCpy $AvisoCarpeta "Calculadora $1 is installed in $0. Setup replaces that copy there; given another folder, it moves it."
  ${Else}
    StrCpy $AvisoCarpeta "Setup will install Calculadora in the following folder. To install it in another, click Browse and choose it."
  ${EndIf}
FunctionEnd

; Started in its folder, as the shortcut starts it.
Function Arrancar
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\calculadora.exe"'
FunctionEnd

Section
  Call NingunoEnMarcha
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $3 SHCTX "${UNINSTALL_KEY}" "CreatedFolder"
  ; A copy in another folder goes first, through its own uninstaller.
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    DetailPrint "Removing the copy in $0"
    ClearErrors
    ExecWait '"$0\uninstall.exe" /S _?=$0' $1
    ${If} ${Errors}
    ${OrIf} $1 != 0
      DetailPrint "The copy in $0 could not be removed."
      SetErrorLevel 2
      Abort
    ${EndIf}
    Delete "$0\uninstall.exe"
    RMDir "$0"
    StrCpy $3 ""
  ${EndIf}

  ; The outermost folder this install makes, so that the uninstaller can take
  ; away the folders it made and no other. A copy replaced in place keeps
  ; what its first install recorded.
  StrCpy $1 $INSTDIR
  StrCpy $2 ""
  ${DoUntil} ${FileExists} "$1\*.*"
    StrCpy $2 $1
    ${GetParent} $1 $1
    ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
  ${Loop}
  ${If} $0 == $INSTDIR
  ${AndIf} $2 == ""
    StrCpy $2 $3
  ${EndIf}

  SetOutPath "$INSTDIR"
  !insertmacro FILES INSTALL
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; A shortcut's working directory is the output folder current when it is made.
  CreateShortcut "${SHORTCUT}" "$INSTDIR\calculadora.exe" "" "$INSTDIR\calculadora.exe" 0 \
    SW_SHOWNORMAL "" "Pocket calculator"

  ${GetSize} "$INSTDIR" "/S=0K" $4 $5 $6
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Calculadora"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "VersionMajor" ${VERSION_MAJOR}
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "VersionMinor" ${VERSION_MINOR}
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Calculadora developers"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Comments" "Pocket calculator"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\calculadora.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Readme" "$INSTDIR\README.txt"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $4
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "CreatedFolder" "$2"
SectionEnd

; Only what the install put there goes: its files, its shortcut, its entry,
; and the folders it made once they are empty. A folder left with files of
; the user's own stays.
Section "Uninstall"
  Call un.NingunoEnMarcha
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "CreatedFolder"
  Delete "${SHORTCUT}"
  !insertmacro FILES REMOVE
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; Up from the install folder to the outermost one the install made, when
  ; that is one of its parents.
  StrLen $1 $0
  StrCpy $2 $INSTDIR $1
  StrCpy $3 $INSTDIR 1 $1
  ${If} $0 != ""
  ${AndIf} $2 == $0
  ${AndIf} $3 == "\"
    StrCpy $1 $INSTDIR
    ${DoWhile} $1 != $0
      ${GetParent} $1 $1
      ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
      RMDir $1
    ${Loop}
  ${EndIf}
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
