#!/usr/bin/env bash
# The run-time replacements that keep Tarnwick.exe small (compat/Win95Shims.cpp)
# under wine64: C99 snprintf/strtod results from msvcrt's functions, library
# errors still thrown and catchable, bad_alloc still bad_alloc.
set -u
probe=${WIN64_BUILD:?}/bench/shimprobe.exe
[ -f "$probe" ] || { echo "FAILED: $probe is not built"; exit 1; }
export WINEDEBUG=-all
export WINEPREFIX=$(mktemp -d /tmp/shimprobe-XXXXXX)
trap '/usr/lib/wine/wineserver64 -k >/dev/null 2>&1; rm -rf "$WINEPREFIX"' EXIT
out=$(/usr/lib/wine/wine64 "$probe" 2>/dev/null | tr -d '\r')
printf '%s\n' "$out"
printf '%s\n' "$out" | grep -qx 'shimprobe: ok'
