#!/usr/bin/env bash
# The registry contract suite on Wine's real registry: the same checks the
# native build runs on the simulated Windows. A failure here means the
# simulation or the registry code assumes something Windows does not do.
set -u
exe=${WIN64_BUILD:?}/registry_contract.exe
out=${TEST_OUT:-/tmp}/registry_contract
wine64=/usr/lib/wine/wine64
[ -f "$exe" ] || { echo "FAILED: $exe is missing (build the x86_64 flavour first)"; exit 1; }
rm -rf "$out"; mkdir -p "$out"
export WINEPREFIX="$out/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() { wineserver -k >/dev/null 2>&1; rm -rf "$WINEPREFIX"; }
trap cleanup EXIT

# No window is shown: the prefix needs no display.
DISPLAY= "$wine64" wineboot -i >"$out/wineboot.log" 2>&1 || { echo "FAILED: wineboot"; cat "$out/wineboot.log"; exit 1; }
DISPLAY= timeout 120 "$wine64" "$exe" >"$out/contract.log" 2>&1
rc=$?
cat "$out/contract.log"
if [ $rc -ne 0 ]; then echo "FAILED: registry_contract.exe exited $rc"; exit 1; fi
# The suite leaves its scratch key behind only when it was interrupted.
if "$wine64" reg query 'HKCU\Software\TarnwickContractTest' >/dev/null 2>&1; then
  echo "FAILED: scratch key left behind"; exit 1
fi
echo "registry_contract: passed on Wine's registry"
