; The installer of Ostrel Update for Windows (32-bit). The updater goes where
; the suite looks for it: update.exe in the suite's install folder, [paths]
; install of the shared settings file (c:\windows\ostrel.ini), c:\ostrel when
; the key is missing or empty, which is the program the suite's programs, its
; start-up program and login scripts start, and the one the firewall message
; names. Its two tools, the Group Policy template of its machine policy
; (PolicyDefinitions\, for administrators to copy into C:\Windows) and the
; uninstaller stay in Program Files; a
; Start-menu shortcut and an entry in Apps & Features come with it.
; Uninstalling removes exactly what was installed: the suite's folder, its
; shared settings, its logs and its downloads belong to the suite and stay.
;
; Built by the build's `installer` target (cmake/OstrelWindowsInstaller.cmake):
;   makensis -DVERSION=1.0.0 -DUPDATE_EXE=... -DFETCH_EXE=... -DXMLTREE_EXE=...
;            -DPOLICY_FOLDER=.../PolicyDefinitions
;            -DOUTFILE=.../ostrel-update-1.0.0-setup.exe ostrel-update.nsi
Unicode true
Target x86-unicode
SetCompressor /SOLID lzma

!include LogicLib.nsh

!define PRODUCT "Ostrel Update"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\OstrelUpdate"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
!define DEFAULT_SUITE_FOLDER "c:\ostrel"
!define CHECK_TASK "Ostrel Update daily check"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
; Program Files, the suite's folder and the shortcut for every user of the
; machine.
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

; The suite's install folder, without a final backslash.
Var SuiteFolder

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

; The folder the suite looks in, read as its programs read it.
Function FindSuiteFolder
  ReadINIStr $SuiteFolder "$WINDIR\ostrel.ini" "paths" "install"
  ${Do}
    StrCpy $0 $SuiteFolder 1 -1
    ${If} $0 != "\"
      ${ExitDo}
    ${EndIf}
    StrCpy $SuiteFolder $SuiteFolder -1
  ${Loop}
  ${If} $SuiteFolder == ""
    StrCpy $SuiteFolder "${DEFAULT_SUITE_FOLDER}"
  ${EndIf}
FunctionEnd

; The updater may be running: it starts its own installer when its update is
; in the catalogue, and the suite may have started it. Windows lets a running
; program be renamed but not replaced, so, as installers on Windows do, the
; running one is moved aside under a name of its own, the new one takes its
; place (the next start runs it), and the old file goes once nothing runs it,
; at the latest when Windows next starts.
Function InstallUpdater
  Delete "$SuiteFolder\update-old-*.exe"
  ClearErrors
  Delete "$SuiteFolder\update.exe"
  ${If} ${Errors}
    System::Call "kernel32::GetTickCount() i .r1"
    Rename "$SuiteFolder\update.exe" "$SuiteFolder\update-old-$1.exe"
    Delete /REBOOTOK "$SuiteFolder\update-old-$1.exe"
  ${EndIf}
  File "/oname=$SuiteFolder\update.exe" "${UPDATE_EXE}"
FunctionEnd

; The daily check for updates: a scheduled task that runs
; `update.exe --check --notify` once a day, at a random moment within two
; hours of 9:00 so that an office does not ask the server at once, and at the
; next logon when the machine was off then. Its principal is the Users group
; (S-1-5-32-545): the Task Scheduler runs a group's task as each signed-in
; member, in that user's session, without a password and with the user's own
; rights, so that each user's notification area shows the balloon
; (Microsoft's Task Scheduler schema: Principal/GroupId, Actions/Context,
; CalendarTrigger/RandomDelay, Settings/StartWhenAvailable).
; [update] schedule=0 in the settings file turns the notification off;
; `schtasks /Change /TN "${CHECK_TASK}" /DISABLE` turns the task off. A
; failure to register it (no Task Scheduler, as in some Wine prefixes) is
; shown in the details and the installation goes on.
Function RegisterCheckTask
  InitPluginsDir
  FileOpen $0 "$PLUGINSDIR\check-task.xml" w
  FileWriteWord $0 0xFEFF
  FileWriteUTF16LE $0 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
  FileWriteUTF16LE $0 '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">$\r$\n'
  FileWriteUTF16LE $0 '<RegistrationInfo><Description>Looks for pending Ostrel updates and tells the user when there are some.</Description></RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $0 '<Triggers><CalendarTrigger><StartBoundary>2026-01-01T09:00:00</StartBoundary><RandomDelay>PT2H</RandomDelay><ScheduleByDay><DaysInterval>1</DaysInterval></ScheduleByDay></CalendarTrigger></Triggers>$\r$\n'
  FileWriteUTF16LE $0 '<Principals><Principal id="Users"><GroupId>S-1-5-32-545</GroupId><RunLevel>LeastPrivilege</RunLevel></Principal></Principals>$\r$\n'
  FileWriteUTF16LE $0 '<Settings><StartWhenAvailable>true</StartWhenAvailable><DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries><StopIfGoingOnBatteries>false</StopIfGoingOnBatteries><MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy><ExecutionTimeLimit>PT9H</ExecutionTimeLimit><Priority>7</Priority></Settings>$\r$\n'
  FileWriteUTF16LE $0 '<Actions Context="Users"><Exec><Command>"$SuiteFolder\update.exe"</Command><Arguments>--check --notify</Arguments><WorkingDirectory>$SuiteFolder</WorkingDirectory></Exec></Actions>$\r$\n'
  FileWriteUTF16LE $0 '</Task>$\r$\n'
  FileClose $0
  nsExec::ExecToLog 'schtasks /Create /F /TN "${CHECK_TASK}" /XML "$PLUGINSDIR\check-task.xml"'
  Pop $0
  ${If} $0 != 0
    DetailPrint "The daily check for updates could not be scheduled (schtasks: $0)."
  ${EndIf}
FunctionEnd

Section "Install"
  Call FindSuiteFolder
  CreateDirectory "$SuiteFolder"
  Call InstallUpdater

  SetOutPath "$INSTDIR"
  ; What an earlier version installed in its place.
  Delete "$INSTDIR\ostrel-update.exe"
  File "/oname=ostrel-fetch.exe" "${FETCH_EXE}"
  File "/oname=ostrel-xmltree.exe" "${XMLTREE_EXE}"
  SetOutPath "$INSTDIR\PolicyDefinitions"
  File "${POLICY_FOLDER}/ostrel-update.admx"
  SetOutPath "$INSTDIR\PolicyDefinitions\en-US"
  File "${POLICY_FOLDER}/en-US/ostrel-update.adml"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut starts the updater in the suite's folder, as the suite does.
  SetOutPath "$SuiteFolder"
  CreateShortcut "${SHORTCUT}" "$SuiteFolder\update.exe" "" "$SuiteFolder\update.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Ostrel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$\"$SuiteFolder\update.exe$\",0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ; Where the updater went, for the uninstaller: the settings may say
  ; otherwise by then.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UpdaterFolder" "$SuiteFolder"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /S"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  Call RegisterCheckTask
SectionEnd

Section "Uninstall"
  ReadRegStr $SuiteFolder HKLM "${UNINSTALL_KEY}" "UpdaterFolder"
  Delete "${SHORTCUT}"
  nsExec::ExecToLog 'schtasks /Delete /F /TN "${CHECK_TASK}"'
  Pop $0
  ${If} $SuiteFolder != ""
    ; A running updater goes when Windows next starts.
    Delete /REBOOTOK "$SuiteFolder\update.exe"
    Delete "$SuiteFolder\update-old-*.exe"
  ${EndIf}
  Delete "$INSTDIR\ostrel-fetch.exe"
  Delete "$INSTDIR\ostrel-xmltree.exe"
  Delete "$INSTDIR\PolicyDefinitions\en-US\ostrel-update.adml"
  RMDir "$INSTDIR\PolicyDefinitions\en-US"
  Delete "$INSTDIR\PolicyDefinitions\ostrel-update.admx"
  RMDir "$INSTDIR\PolicyDefinitions"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: a file that someone else put there is not ours to remove.
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
