; The setup program: a per-user install, no administrator rights asked, with a
; Start-menu entry, an entry in Apps & features and an uninstaller that takes
; away only what the setup put there. Built by scripts/package-windows:
;   makensis -INPUTCHARSET UTF8 -DVERSION=2.4 -DTARGET=win64 -DSTAGE=<folder>
;            -DOUTFILE=<setup.exe> [-DCLI] [-DICON=<file.ico>] [-DSIGN=<command>]
; STAGE holds the files as they are handed out (stripped, signed); CLI when it
; holds fenrow-cli.exe; SIGN, a command signing the file named by its last
; argument, for the uninstaller the setup writes.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true
!if "${TARGET}" == "win64"
  Target amd64-unicode ; a 64-bit program in a 64-bit setup, which 32-bit Windows refuses to start
!else
  Target x86-unicode
!endif

!include MUI2.nsh

!define PRODUCT Fenrow
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; %LOCALAPPDATA%\Programs is the folder Windows gives per-user programs.
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINST_KEY}" InstallLocation
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

!ifdef SIGN
  ; The uninstaller is written by the setup on the user's machine; it is
  ; signed here, as it is packed into the setup.
  !uninstfinalize '${SIGN} "%1"' = 0
!endif

VIProductVersion "${VERSION}.0.0"
VIFileVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=0 ProductName "${PRODUCT}"
VIAddVersionKey /LANG=0 CompanyName "${PRODUCT}"
VIAddVersionKey /LANG=0 FileDescription "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=0 FileVersion "${VERSION}"
VIAddVersionKey /LANG=0 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 LegalCopyright "${PRODUCT}"

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\fenrow.exe"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "${PRODUCT}" main
  SetOutPath "$INSTDIR"
  File "${STAGE}/fenrow.exe"
  File "${STAGE}/fenrow_skin.dll"
  !ifdef CLI
    File "${STAGE}/fenrow-cli.exe"
  !endif
  File "${STAGE}/README.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\fenrow.exe"

  WriteRegStr HKCU "${UNINST_KEY}" DisplayName "${PRODUCT}"
  WriteRegStr HKCU "${UNINST_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" Publisher "${PRODUCT}"
  WriteRegStr HKCU "${UNINST_KEY}" DisplayIcon "$INSTDIR\fenrow.exe"
  WriteRegStr HKCU "${UNINST_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" UninstallString '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" QuietUninstallString '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" NoModify 1
  WriteRegDWORD HKCU "${UNINST_KEY}" NoRepair 1
  SectionGetSize ${main} $0 ; KB, as Apps & features reads it
  WriteRegDWORD HKCU "${UNINST_KEY}" EstimatedSize $0
SectionEnd

; Only the files the setup wrote go: lists the program generated and its
; settings stay, and so does the folder while it holds them.
Section "Uninstall"
  Delete "$INSTDIR\fenrow.exe"
  Delete "$INSTDIR\fenrow_skin.dll"
  !ifdef CLI
    Delete "$INSTDIR\fenrow-cli.exe"
  !endif
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
