#!/usr/bin/env bash
# msi_install_uninstall_test.sh MSI VERSION NEXT_MSI NEXT_VERSION WORK WINE
# The Windows Installer package as an administrator's deployment runs it, in
# a fresh Wine prefix of the test's own: msiexec /i with /qn, /norestart and a
# verbose log; the files where the NSIS installer puts them (update.exe in the
# suite's folder, c:\suite given as SUITEFOLDER; the tools and the Group
# Policy template in Program Files), the Start-menu shortcut and one Apps &
# Features entry; a newer package (the same programs under the next version)
# replacing it in the same folder unasked; msiexec /x removing all of it and
# nothing of the suite's.
set -euo pipefail
msi=$1 version=$2 next_msi=$3 next_version=$4 work=$5 wine=$6

# The test's own prefix and wineserver; check WHAT COMMAND...
source "$(dirname "$0")/fresh_prefix.sh"
# The menu of all users on Windows, where ALLUSERS=1 (the package is per
# machine) puts ProgramMenuFolder; Wine's msiexec resolves that folder to the
# installing user's menu instead, so either counts here.
shortcuts() {
  ls "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Ostrel Update.lnk" \
    "$drive_c"/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Ostrel\ Update.lnk \
    2>/dev/null | wc -l
}
programs_folder="$drive_c/Program Files"
[ -d "$drive_c/Program Files (x86)" ] && programs_folder="$drive_c/Program Files (x86)"
folder="$programs_folder/Ostrel Update"
# The versions of the Apps & Features entries named "Ostrel Update", one a
# line, in either registry view.
entries() {
  for view in /reg:64 /reg:32; do
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s $view \
      2>/dev/null | tr -d '\r'
  done | awk '/^HKEY/ { if (ours) print version; ours = 0; version = "" }
              /DisplayName .*REG_SZ +Ostrel Update$/ { ours = 1 }
              /DisplayVersion / { version = $NF }
              END { if (ours) print version }'
}
installed_version() { "$wine" "$suite/update.exe" --version 2>/dev/null | tr -d '\r' || true; }

mkdir -p "$suite"
printf 'the suite' >"$suite/accounts.exe"
printf '[paths]\r\ninstall=c:\\suite\\\r\n' >"$drive_c/windows/ostrel.ini"
cp "$drive_c/windows/ostrel.ini" "$work/ostrel.ini.before"

status=0
wine msiexec /i "$msi" /qn /norestart /l*v "$work/install.log" 'SUITEFOLDER=C:\suite\' || status=$?
wineserver -w
check "msiexec /i /qn succeeds" test "$status" -eq 0
check "the verbose log is written" test -s "$work/install.log"
check "update.exe is in the suite's folder" test -f "$suite/update.exe"
for program in ostrel-fetch.exe ostrel-xmltree.exe; do
  check "$program is installed" test -f "$folder/$program"
done
check "the Group Policy template is installed" \
  test -f "$folder/PolicyDefinitions/en-US/ostrel-update.adml"
check "the Start menu has the shortcut" test "$(shortcuts)" -eq 1
check "Apps & Features lists it once" test "$(entries)" = "$version"
check "the installed program runs" test "$(installed_version)" = "ostrel-update $version"

status=0
wine msiexec /i "$next_msi" /qn /norestart || status=$?
wineserver -w
check "a newer package installs over it" test "$status" -eq 0
check "the updater stays in the suite's folder" test "$(installed_version)" = "ostrel-update $version"
check "nothing went to the default folder" test ! -e "$drive_c/ostrel/update.exe"
check "Apps & Features lists the newer version alone" test "$(entries)" = "$next_version"

status=0
wine msiexec /x "$next_msi" /qn /norestart || status=$?
wineserver -w
check "msiexec /x /qn succeeds" test "$status" -eq 0
check "update.exe is gone" test ! -e "$suite/update.exe"
check "the tools' folder is gone" test ! -e "$folder"
check "the shortcut is gone" test "$(shortcuts)" -eq 0
check "the Apps & Features entry is gone" test -z "$(entries)"
check "the shared settings file stays as it was" \
  cmp -s "$drive_c/windows/ostrel.ini" "$work/ostrel.ini.before"
check "the suite's folder and programs stay" test -f "$suite/accounts.exe"

[ "$failures" -eq 0 ]
