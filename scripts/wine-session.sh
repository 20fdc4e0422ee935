# Sourced by the wine tests, run-demo.sh and benchmark.sh: one Wine prefix and,
# when asked, one Xvfb display for the length of a script, cleaned up on exit.
#
# The build under test decides the Wine that runs it (set before sourcing):
#   WS_ARCH=i686     (default) 32-bit programs with /usr/lib/wine/wine, in a
#                    32-bit prefix, or with WS_WINEARCH=win64 in a 64-bit one
#                    (the program under WOW64, as on 64-bit Windows)
#   WS_ARCH=x86_64   /usr/lib/wine/wine64 in a 64-bit prefix
#
#   ws_use ARCH [WINEARCH]  chooses the build and prefix after sourcing
#   ws_runs_32bit           true when this machine runs 32-bit programs
#   ws_start_display        starts Xvfb on a free display (sets DISPLAY)
#   ws_make_prefix DIR      fresh prefix in DIR (sets WINEPREFIX), keeps its
#                           wineserver up until ws_cleanup; Windows XP
#   ws_wine ARGS...         the loader in that prefix
#   ws_cleanup              ends the wineserver and the Xvfb started here
# Needs: wine (Debian: wine64, wine32:i386), Xvfb.

ws_use() {  # i686|x86_64 [win32|win64]
  WS_ARCH=$1
  if [ "$1" = i686 ]; then
    WS_WINE=/usr/lib/wine/wine
    WS_WINEARCH=${2:-win32}
  else
    WS_WINE=/usr/lib/wine/wine64
    WS_WINEARCH=win64
  fi
}
ws_use "${WS_ARCH:-i686}" "${WS_WINEARCH:-}"
# The 64-bit wineserver serves 32-bit and 64-bit prefixes alike.
WS_WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WS_WINESERVER" ] || WS_WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
WS_XVFB_PID=
export WINEDEBUG=${WINEDEBUG:--all}

# A kernel without 32-bit support refuses the 32-bit loader ("Exec format error").
ws_runs_32bit() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

ws_start_display() {
  local n=${WS_FIRST_DISPLAY:-17} i
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  WS_XVFB_PID=$!
  for i in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    kill -0 "$WS_XVFB_PID" 2>/dev/null || { echo "Xvfb :$n did not start" >&2; WS_XVFB_PID=; return 1; }
    sleep 0.1
  done
  export DISPLAY=":$n"
}

ws_wine() { "$WS_WINE" "$@"; }

ws_make_prefix() {
  export WINEPREFIX=$1 WINEARCH=$WS_WINEARCH
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  "$WS_WINE" wineboot -i >/dev/null 2>&1 || { echo "wineboot failed for $WINEPREFIX" >&2; return 1; }
  "$WS_WINESERVER" -w
  # Keep one wineserver (and with it the services the wizard starts) for the
  # whole script.
  "$WS_WINESERVER" -p
  # No window manager here: let Wine draw the frames, without the 2 s stall
  # on every closed dialog.
  "$WS_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # The wizard is made for Windows 95 to XP.
  "$WS_WINE" reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
}

# unix path of a C:\ path in the prefix
ws_unix_path() { local p=${1#[Cc]:\\}; echo "$WINEPREFIX/drive_c/${p//\\//}"; }

ws_cleanup() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    "$WS_WINESERVER" -k >/dev/null 2>&1
  fi
  if [ -n "$WS_XVFB_PID" ]; then
    kill "$WS_XVFB_PID" 2>/dev/null
    wait "$WS_XVFB_PID" 2>/dev/null
    WS_XVFB_PID=
  fi
}
