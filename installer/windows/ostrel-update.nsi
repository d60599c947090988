; The installer of Ostrel Update for Windows (32-bit): the updater and its two
; tools in Program Files, a Start-menu shortcut, an uninstaller with its entry
; in Apps & Features. Uninstalling removes exactly what was installed: the
; suite's shared settings (c:\windows\ostrel.ini), its logs and its downloads
; belong to the suite and stay.
;
; Built by the build's `installer` target (cmake/OstrelWindowsInstaller.cmake):
;   makensis -DVERSION=1.0.0 -DUPDATE_EXE=... -DFETCH_EXE=... -DXMLTREE_EXE=...
;            -DOUTFILE=.../ostrel-update-1.0.0-setup.exe ostrel-update.nsi
Unicode true
Target x86-unicode
SetCompressor /SOLID lzma

!define PRODUCT "Ostrel Update"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\OstrelUpdate"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
; Program Files and the shortcut for every user of the machine.
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "Ostrel"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} installer"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Ostrel"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"
  File "/oname=ostrel-update.exe" "${UPDATE_EXE}"
  File "/oname=ostrel-fetch.exe" "${FETCH_EXE}"
  File "/oname=ostrel-xmltree.exe" "${XMLTREE_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "${SHORTCUT}" "$INSTDIR\ostrel-update.exe" "" "$INSTDIR\ostrel-update.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Ostrel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\ostrel-update.exe$\",0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /S"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  Delete "${SHORTCUT}"
  Delete "$INSTDIR\ostrel-update.exe"
  Delete "$INSTDIR\ostrel-fetch.exe"
  Delete "$INSTDIR\ostrel-xmltree.exe"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: a file that someone else put there is not ours to remove.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
