#!/usr/bin/env bash
# install_uninstall_test.sh INSTALLER VERSION WORK WINE SUITE_CALLER
# Installs the updater silently into a fresh Wine prefix whose suite lives in
# c:\suite ([paths] install of its settings file), and checks what a user
# gets: update.exe where the suite looks for it, the tools, the Start-menu
# shortcut, the Apps & Features entry; that a suite program's call of
# c:\suite\update.exe reaches it; that installing again while it runs replaces
# it as installers on Windows do. Then uninstalls it silently and checks that
# all of it went and nothing of the suite's went with it. Needs a display
# (the running updater's window); run under xvfb-run.
set -euo pipefail
installer=$1 version=$2 work=$3 wine=$4 caller=$5

# Nothing listens there: the catalogue fetch fails at once, and the updater
# stays open with its message.
export OSTREL_CATALOGUE_URL=http://127.0.0.1:9/
# The test's own prefix and wineserver; check WHAT COMMAND...
source "$(dirname "$0")/fresh_prefix.sh"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Ostrel Update.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\OstrelUpdate'
# A 32-bit installer's Program Files: the x86 one on 64-bit Windows.
programs_folder="$drive_c/Program Files"
[ -d "$drive_c/Program Files (x86)" ] && programs_folder="$drive_c/Program Files (x86)"
folder="$programs_folder/Ostrel Update"
# The installer writes its entry in the registry's native view, which a
# 32-bit program sees only when it asks for it.
view=/reg:64
[ -d "$drive_c/Program Files (x86)" ] || view=/reg:32
registry() { wine reg query "$key" $view "$@" 2>/dev/null | tr -d '\r'; }

# What belongs to the suite, not to the updater's installation.
mkdir -p "$drive_c/temp" "$suite"
printf '[general]\r\nskin=gresmo\r\n[paths]\r\ninstall=c:\\suite\\\r\n' >"$drive_c/windows/ostrel.ini"
printf 'a line of the log\r\n' >"$drive_c/temp/log.txt"
printf 'the suite' >"$suite/accounts.exe"
cp "$drive_c/windows/ostrel.ini" "$work/ostrel.ini.before"

wine "$installer" /S
wineserver -w

check "update.exe is in the suite's folder" test -f "$suite/update.exe"
for program in ostrel-fetch.exe ostrel-xmltree.exe uninstall.exe; do
  check "$program is installed" test -f "$folder/$program"
done
check "the Start menu has the shortcut" test -f "$shortcut"
check "Apps & Features lists the uninstaller" \
  grep -q 'Ostrel Update\\uninstall.exe' <<<"$(registry /v UninstallString)"
check "Apps & Features shows the updater's icon" \
  grep -qi 'c:\\suite\\update.exe' <<<"$(registry /v DisplayIcon)"
answer=$("$wine" "$suite/update.exe" --version 2>/dev/null | tr -d '\r' || true)
check "the installed program runs" test "$answer" = "ostrel-update $version"

# A suite program starts c:\suite\update.exe /DLLCHECK and waits: no version
# list, so the libraries are in order and the updater ends with status 0.
status=0
"$wine" "$caller" 'c:\suite\update.exe' /DLLCHECK || status=$?
check "the suite's call ends with the updater's status" test "$status" -eq 0
check "the suite's call reached the updater" grep -q 'about to CheckDlls()' "$drive_c/temp/log.txt"

# Installed again while it runs: the running one is moved aside and goes when
# Windows next starts; the new one is in place for the next start.
"$wine" "$suite/update.exe" >/dev/null 2>&1 &
for _ in $(seq 100); do
  grep -q 'connecting' "$drive_c/temp/log.txt" 2>/dev/null && break
  sleep 0.2
done
sleep 2
status=0
wine "$installer" /S || status=$?
check "installing over the running updater succeeds" test "$status" -eq 0
check "the new updater is in place" test -f "$suite/update.exe"
moved=$(ls "$suite"/update-old-*.exe 2>/dev/null | head -n 1)
check "the running updater was moved aside" test -n "$moved"
check "Windows removes the old one when it next starts" grep -q "update-old-" \
  <<<"$(wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
    /v PendingFileRenameOperations 2>/dev/null | tr -d '\r')"
wineserver -k || true
wineserver -w || true

wine "$folder/uninstall.exe" /S
# The uninstaller runs from a copy of itself in the temporary folder.
wineserver -w

check "update.exe is gone" test ! -e "$suite/update.exe"
check "the tools' folder is gone" test ! -e "$folder"
check "the shortcut is gone" test ! -e "$shortcut"
check "the Apps & Features entry is gone" bash -c "! wine reg query '$key' $view >/dev/null 2>&1"
check "the shared settings file stays as it was" cmp -s "$drive_c/windows/ostrel.ini" "$work/ostrel.ini.before"
check "the suite's folder and programs stay" test -f "$suite/accounts.exe"
check "the suite's log stays" test -f "$drive_c/temp/log.txt"

[ "$failures" -eq 0 ]
