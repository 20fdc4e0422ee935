#!/usr/bin/env bash
# The scenario program (tests/scenarios) from a medium folder with a blank in
# its name, beside qxMSI_ERR.dll, MSI\INSTMSIW.EXE and a Tarnwick.exe for the
# Run entry to name.   bash tests/wine/scenarios.sh [group]
set -u
. "$(dirname "$0")/common.bash"
EXE="$WINE_BUILD/tests/scenarios/scenarios.exe"
need "$EXE" "$WINE_BUILD/MSI/INSTMSIW.EXE"
wt_setup scenarios
MEDIUM="$C/ZoMel Setup"
mkdir -p "$MEDIUM/MSI"
cp "$EXE" "$WINE_BUILD/qxMSI_ERR.dll" "$MEDIUM/"
cp "$WINE_BUILD/MSI/INSTMSIW.EXE" "$MEDIUM/MSI/"
: > "$MEDIUM/Tarnwick.exe"

cd "$MEDIUM" && "$WINE" "$MEDIUM/scenarios.exe" "$@" 2>&1 | tr -d '\r' | tee "$OUT/scenarios.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "scenarios.exe reported failures"
wt_result scenarios
