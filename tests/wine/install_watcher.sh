#!/usr/bin/env bash
# The setup-window watcher against a real dialog: watchprobe.exe starts
# canceldialog.exe (a #32770 dialog with a Cancel button) and runs the
# wizard's HideSetupCancelButton on it until it has taken Cancel away.
set -u
win64=${WIN64_BUILD:?}
out=${TEST_OUT:-/tmp}/install_watcher
rm -rf "$out"; mkdir -p "$out"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
export WINEDEBUG=-all
probe=$win64/tests/installprobe
for f in watchprobe.exe canceldialog.exe; do
  [ -f "$probe/$f" ] || { echo "FAILED: $probe/$f is not built"; exit 1; }
done

n=14
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"
for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

export WINEPREFIX=$(mktemp -d /tmp/ins-watch-XXXXXX)
cleanup() {
  "$WINESERVER" -k >/dev/null 2>&1
  kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
"$WINE" wineboot -i >/dev/null 2>&1
"$WINESERVER" -w
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

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
