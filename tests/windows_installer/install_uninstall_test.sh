#!/usr/bin/env bash
# install_uninstall_test.sh INSTALLER VERSION WORK WINE
# Installs the updater silently into a fresh Wine prefix, checks what a user
# gets (the programs, the Start-menu shortcut, the Apps & Features entry, a
# program that runs), uninstalls it silently, and checks that all of it went
# and nothing of the suite's went with it.
set -euo pipefail
installer=$1 version=$2 work=$3 wine=$4

rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The test's own wineserver, ended whatever happens.
trap 'wineserver -k 2>/dev/null || true' EXIT

failures=0
check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}

wineboot -i >/dev/null 2>&1
wineserver -w
drive_c="$WINEPREFIX/drive_c"
# A 32-bit installer's Program Files: the x86 one on 64-bit Windows.
programs_folder="$drive_c/Program Files"
[ -d "$drive_c/Program Files (x86)" ] && programs_folder="$drive_c/Program Files (x86)"
folder="$programs_folder/Ostrel Update"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Ostrel Update.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\OstrelUpdate'
# The installer writes its entry in the registry's native view, which a
# 32-bit program sees only when it asks for it.
view=/reg:64
[ -d "$drive_c/Program Files (x86)" ] || view=/reg:32
programs=(ostrel-update.exe ostrel-fetch.exe ostrel-xmltree.exe uninstall.exe)

# What belongs to the suite, not to the updater's installation.
mkdir -p "$drive_c/temp"
printf '[general]\r\nskin=gresmo\r\n' >"$drive_c/windows/ostrel.ini"
printf 'a line of the log\r\n' >"$drive_c/temp/log.txt"
cp "$drive_c/windows/ostrel.ini" "$work/ostrel.ini.before"

wine "$installer" /S
wineserver -w

for program in "${programs[@]}"; do
  check "$program is installed" test -f "$folder/$program"
done
check "the Start menu has the shortcut" test -f "$shortcut"
entry=$(wine reg query "$key" /v UninstallString $view 2>/dev/null | tr -d '\r' || true)
check "Apps & Features lists the uninstaller" grep -q 'Ostrel Update\\uninstall.exe' <<<"$entry"
answer=$("$wine" "$folder/ostrel-update.exe" --version 2>/dev/null | tr -d '\r' || true)
check "the installed program runs" test "$answer" = "ostrel-update $version"

wine "$folder/uninstall.exe" /S
# The uninstaller runs from a copy of itself in the temporary folder.
wineserver -w

check "the program folder is gone" test ! -e "$folder"
check "the shortcut is gone" test ! -e "$shortcut"
check "the Apps & Features entry is gone" bash -c "! wine reg query '$key' $view >/dev/null 2>&1"
check "the shared settings file stays as it was" cmp -s "$drive_c/windows/ostrel.ini" "$work/ostrel.ini.before"
check "the suite's log stays" test -f "$drive_c/temp/log.txt"

[ "$failures" -eq 0 ]
