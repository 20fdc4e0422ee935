#!/usr/bin/env bash
# The progress bar and the custom button drawn by Wine's real GDI:
# controls_gdi.exe checks their pixels, on a display and prefix of its own.
. "$(dirname "$0")/common.bash"
exe=$WIN64_BUILD/tests/controls_gdi/controls_gdi.exe
need "$exe"
wt_setup controls_gdi
"$WINE" "$exe" || fail "controls_gdi.exe"
wt_result controls_gdi
