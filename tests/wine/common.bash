# Sourced by the wine tests (not a test itself): a display, a prefix and the
# clean-up on exit, built on scripts/wine-session.sh.
#
#   wt_display [FIRST]      Xvfb on the first free display from FIRST (DISPLAY)
#   wt_prefix DIR [reuse]   fresh prefix in DIR (or the one already there with
#                           "reuse"): wineserver kept up, Wine's windows
#                           unmanaged, Windows XP
#   wt_temp_prefix NAME     a fresh prefix in a new /tmp folder, removed on exit
#   wt_version VERSION      the Windows version Wine reports (winxp, win98, ...)
#   fail MESSAGE            a failed check: reported, counted, the test goes on
#   wt_need FILE...         stops the test when a program it runs is not built
#   wt_result NAME [DIR]    the summary line; its status is the test's result
# On exit the wizard in WIZ_PID (if any), the wineserver and the display end.
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-session.sh"
WINE=$WS_WINE
WINESERVER=$WS_WINESERVER
WIZ_PID=
WT_REMOVE=
WT_FAILURES=0

fail() { echo "FAILED: $*"; WT_FAILURES=$((WT_FAILURES + 1)); }

wt_need() {
  local f
  for f; do [ -f "$f" ] || { echo "FAILED: $f is not built"; exit 1; }; done
}

wt_result() {
  local where=${2:+; screenshots and logs in $2}
  if [ "$WT_FAILURES" -eq 0 ]; then echo "$1: all checks passed$where"; return 0; fi
  echo "$1: $WT_FAILURES check(s) failed$where"
  return 1
}

wt_display() {
  WS_FIRST_DISPLAY=${1:-${WS_FIRST_DISPLAY:-17}} ws_start_display || { echo "FAILED: no display"; exit 1; }
}

wt_prefix() {
  if [ "${2:-}" = reuse ] && [ -f "$1/system.reg" ]; then
    export WINEPREFIX=$1
    "$WINESERVER" -p
  else
    ws_make_prefix "$1"
  fi
}

wt_temp_prefix() { WT_REMOVE=$(mktemp -d "/tmp/$1-XXXXXX") && wt_prefix "$WT_REMOVE"; }

wt_version() { "$WINE" reg add 'HKCU\Software\Wine' /v Version /d "$1" /f >/dev/null 2>&1; }

wt_cleanup() {
  [ -n "$WIZ_PID" ] && kill "$WIZ_PID" 2>/dev/null
  ws_cleanup
  [ -n "$WT_REMOVE" ] && rm -rf "$WT_REMOVE"
  return 0
}
trap wt_cleanup EXIT
