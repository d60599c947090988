#!/bin/sh
# The daily check's systemd user units, as the package installs them but for
# the service naming this build's program, pass `systemd-analyze --user
# verify` without a word of warning. Skipped (77) where systemd-analyze is
# absent.
#   systemd_units_test.sh <folder of this build's ostrel-update> <source units folder>
set -eu
bindir=$1
units=$2
command -v systemd-analyze >/dev/null || { echo "systemd-analyze is not installed"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
# The service finds the program on systemd's own search path; here it is
# this build's.
sed "s|^ExecStart=ostrel-update |ExecStart=$bindir/ostrel-update |" \
  "$units/ostrel-update-check.service" >"$work/ostrel-update-check.service"
grep -q "^ExecStart=$bindir/ostrel-update --check --notify\$" "$work/ostrel-update-check.service"
cp "$units/ostrel-update-check.timer" "$work/"
# The manual page is installed with the package, not here.
if ! output=$(cd "$work" && XDG_RUNTIME_DIR="$work/runtime" systemd-analyze --user --man=no \
  verify ./ostrel-update-check.service ./ostrel-update-check.timer 2>&1); then
  echo "$output"
  exit 1
fi
if [ -n "$output" ]; then
  echo "$output"
  exit 1
fi
grep -qx 'enable ostrel-update-check.timer' "$units/80-ostrel-update.preset"
echo "the units pass systemd-analyze verify"
