; A small installer for the Wine tests: it writes C:\ostrel\<NAME>.txt saying
; whether it ran silently and whether another of these installers was running
; at the same time. Build with: makensis -DNAME=first -DOUT=/path/first.exe installer.nsi
; It is a 32-bit installer (x86-unicode, makensis's default, as most installers
; are) unless -DTARGET=amd64-unicode asks for a 64-bit one.
Unicode true
!ifdef TARGET
  Target ${TARGET}
!else
  Target x86-unicode
!endif
Name "${NAME}"
OutFile "${OUT}"
RequestExecutionLevel user
AutoCloseWindow true
ShowInstDetails nevershow
InstallDir "C:\ostrel"
Page instfiles

Section
  CreateDirectory "C:\ostrel"
  StrCpy $0 "not silent"
  IfSilent 0 +2
    StrCpy $0 "silent"
  StrCpy $1 "alone"
  IfFileExists "C:\ostrel\busy" 0 +2
    StrCpy $1 "overlapping"
  FileOpen $2 "C:\ostrel\busy" w
  FileClose $2
  Sleep 1500
  FileOpen $2 "C:\ostrel\${NAME}.txt" w
  FileWrite $2 "$0, $1"
  FileClose $2
  Delete "C:\ostrel\busy"
SectionEnd
