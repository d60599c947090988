# Sourced by the installer tests after setting `work`: a fresh Wine prefix of
# the test's own under $work, whose wineserver is ended whatever happens, and
# check WHAT COMMAND..., which prints "ok: WHAT" or "FAILED: WHAT" and counts
# the failures in $failures. Sets drive_c and suite (c:\suite).

rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
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
suite="$drive_c/suite"
