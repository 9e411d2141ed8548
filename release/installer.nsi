; The per-user installer of zormanager.exe: no administrator rights, the
; program under %LOCALAPPDATA%\Programs\ZorManager, a Start-menu shortcut and
; an entry in the user's list of installed programs. Built by scripts/release:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.4.0 -DARCH=win64 -DSTAGE=<dir>
;            -DOUTFILE=<setup.exe> [-DPUBLISHER=<name>] [-DSIGN=<command>]
; STAGE holds zormanager.exe and README.txt, with fixed modification times
; (the installer stores them), so that the same sources give the same file.
; The 64-bit program gets a 64-bit installer: it installs where the program
; runs, and Windows itself refuses it on a 32-bit system.
!if "${ARCH}" == "win64"
  Target amd64-unicode
!else
  Unicode true
!endif
ManifestSupportedOS all
ManifestDPIAware false
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include FileFunc.nsh

!define TITLE "Управление сканером ЗОР"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZorManager"

Name "${TITLE}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\ZorManager"
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "${TITLE} ${VERSION}"

!ifdef SIGN
  ; The uninstaller is written at build time: signed like the program.
  !uninstfinalize '${SIGN} "%1"'
!endif

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1049 "ProductName" "${TITLE}"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка программы «${TITLE}»"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}.0"
!ifdef PUBLISHER
  VIAddVersionKey /LANG=1049 "CompanyName" "${PUBLISHER}"
!endif

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\zormanager.exe"
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"
  File "${STAGE}\zormanager.exe"
  File "${STAGE}\README.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${TITLE}.lnk" "$INSTDIR\zormanager.exe"

  ; One entry, whichever version was there before: the same key is rewritten.
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${TITLE}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\zormanager.exe,0"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
!ifdef PUBLISHER
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
!endif
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

; The module cache under %APPDATA%\Zor70_Modules is the user's data: it stays.
Section "Uninstall"
  Delete "$SMPROGRAMS\${TITLE}.lnk"
  Delete "$INSTDIR\zormanager.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; Windows makes this folder on demand; take it away only if nothing else is in it.
  RMDir "$LOCALAPPDATA\Programs"
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
