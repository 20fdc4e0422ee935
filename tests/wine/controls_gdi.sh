#!/usr/bin/env bash
# The progress bar and the custom button drawn by Wine's real GDI: runs
# controls_gdi.exe (pixel checks of every look) and saves a screenshot of its
# window with the bar at 0, 45 and 100 % and the buttons raised, sunken and
# disabled as $TEST_OUT/controls.png.
set -u
: "${WIN64_BUILD:?WIN64_BUILD must name the x86_64 build folder}"
: "${TEST_OUT:?TEST_OUT must name the output folder}"
WINE=/usr/lib/wine/wine64
exe=$(find "$WIN64_BUILD" -name controls_gdi.exe -print -quit)
if [ -z "$exe" ]; then
  echo "controls_gdi.exe not found under $WIN64_BUILD"
  exit 1
fi
mkdir -p "$TEST_OUT"
export WINEPREFIX="$TEST_OUT/wineprefix-controls"
export WINEDEBUG=-all

# A display of our own: the first free one from :13 on.
n=13
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done

shotdir="$WINEPREFIX/drive_c/controls-shot"
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT

if [ ! -d "$WINEPREFIX/drive_c" ]; then
  "$WINE" wineboot -i >/dev/null 2>&1
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
fi
wineserver -p >/dev/null 2>&1

rm -rf "$shotdir"
mkdir -p "$shotdir"
log="$TEST_OUT/controls_gdi.log"
CONTROLS_SHOT='C:\controls-shot' "$WINE" "$exe" >"$log" 2>&1 &
app=$!

for _ in $(seq 600); do
  [ -e "$shotdir/shot.ready" ] && break
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
shot_ok=0
if [ -e "$shotdir/shot.ready" ]; then
  sleep 0.5
  import -window root "$TEST_OUT/controls.png" && shot_ok=1
fi
touch "$shotdir/shot.done"
wait "$app"
rc=$?
app=""
tr -d '\r' <"$log"

fail=0
if [ "$rc" -ne 0 ]; then
  echo "controls_gdi.exe failed (exit $rc)"
  fail=1
fi
if [ "$shot_ok" -ne 1 ]; then
  echo "no screenshot taken"
  fail=1
else
  # A blank or failed capture has only a colour or two.
  colours=$(convert "$TEST_OUT/controls.png" -format %k info: 2>/dev/null || echo 0)
  if [ "${colours:-0}" -lt 6 ]; then
    echo "screenshot looks empty ($colours colours)"
    fail=1
  else
    echo "screenshot: $TEST_OUT/controls.png ($colours colours)"
  fi
fi
exit "$fail"
