#!/usr/bin/env bash
# The setup-window watcher against a real dialog: watchprobe.exe starts
# canceldialog.exe (a #32770 dialog with a Cancel button) and runs the
# wizard's HideSetupCancelButton on it until it has taken Cancel away.
set -u
win64=${WIN64_BUILD:?}
out=${TEST_OUT:-/tmp}/install_watcher
rm -rf "$out"; mkdir -p "$out"
. "$(dirname "$0")/common.bash"
probe=$win64/tests/installprobe
for f in watchprobe.exe canceldialog.exe; do
  [ -f "$probe/$f" ] || { echo "FAILED: $probe/$f is not built"; exit 1; }
done

wt_display 14
wt_temp_prefix ins-watch

mkdir -p "$WINEPREFIX/drive_c/probe"
cp "$probe/watchprobe.exe" "$probe/canceldialog.exe" "$WINEPREFIX/drive_c/probe/"
timeout 90 "$WINE" 'C:\probe\watchprobe.exe' > "$out/watchprobe.txt" 2>&1
rc=$?
tr -d '\r' < "$out/watchprobe.txt"
if [ $rc -ne 0 ]; then
  echo "install_watcher: FAILED (exit code $rc)"
  exit 1
fi
echo "install_watcher: passed"
