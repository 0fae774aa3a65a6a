; The Halcyra installer: per-machine into Program Files, a Start menu entry, an entry in Apps &
; features, "Open with" for .dat files (without taking the type over), an uninstaller that
; removes every file it put there. `/S` installs and uninstalls silently.
;
; scripts/windows defines VERSION, PORTABLE (the portable folder), ICON, OUTFILE, SIZE_KB and writes
; files.nsh and unfiles.nsh beside OUTFILE: the portable folder's files, one line each.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "x64.nsh"

!define PRODUCT "Halcyra"
!define PUBLISHER "Halcyra Project"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Halcyra"
!define APP_KEY "Software\Classes\Applications\halcyra.exe"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1041 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1041 "FileDescription" "${PRODUCT} セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "GNU General Public License 3.0 or later"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\halcyra.exe"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${PORTABLE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "${PRODUCT} は 64 ビット版の Windows で動作します。" /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "${PRODUCT}" main
  SectionIn RO
  !include "files.nsh"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\halcyra.exe" "" "$INSTDIR\halcyra.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\halcyra.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}

  ; "Open with" for .dat: the program is offered, the type's own default is left alone.
  WriteRegStr HKLM "${APP_KEY}" "FriendlyAppName" "${PRODUCT}"
  WriteRegStr HKLM "${APP_KEY}\shell\open\command" "" '"$INSTDIR\halcyra.exe" "%1"'
  WriteRegStr HKLM "${APP_KEY}\SupportedTypes" ".dat" ""
  WriteRegStr HKLM "Software\Classes\.dat\OpenWithList\halcyra.exe" "" ""
SectionEnd

Section "Uninstall"
  !include "unfiles.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKLM "Software\Classes\.dat\OpenWithList\halcyra.exe"
  DeleteRegKey /ifempty HKLM "Software\Classes\.dat\OpenWithList"
  DeleteRegKey /ifempty HKLM "Software\Classes\.dat"
  DeleteRegKey HKLM "${APP_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
