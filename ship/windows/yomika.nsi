; The installer of Yomika for Windows, built by windows/package.sh:
;   makensis -DVERSION=1.0 -DFILES=list.nsh -DUNFILES=unlist.nsh
;            -DOUTFILE=Yomika-1.0-setup.exe -DICON=yomika.ico yomika.nsi
; FILES installs the program folder file by file and UNFILES removes exactly
; those, so that the uninstaller leaves whatever else is in the folder. The
; user's own files (settings, texts) lie in %APPDATA%\Yomika and stay.
; Silent with /S; /D=FOLDER chooses the folder.

; A 64-bit installer: the program is 64-bit, and a 64-bit Windows may lack
; the 32-bit subsystem (as a 64-bit-only Wine does).
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define APP "Yomika"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${APP} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\yomika.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Section "Yomika"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  !include "${FILES}"
  ; The mark that tells the program its folder is an installed one.
  FileOpen $0 "$INSTDIR\INSTALLED.TXT" w
  FileWrite $0 "This folder was made by the Yomika installer. Yomika keeps$\r$\n"
  FileWrite $0 "its settings and texts in %APPDATA%\Yomika.$\r$\n"
  FileClose $0
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\yomika.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\yomika.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Yomika"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${APP}.lnk"
  !include "${UNFILES}"
  Delete "$INSTDIR\INSTALLED.TXT"
  Delete "$INSTDIR\uninstall.exe"
  ; Removed only when empty: a file the user left there stays.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
