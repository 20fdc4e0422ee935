#!/usr/bin/env bash
# Checks that 32-bit Windows programs load on Windows 95 and NT 4.0:
#   - PE32 (i386), subsystem and OS version at most 4.0 (Windows 95 refuses 5.0+);
#   - no delay-loaded imports and no imports by ordinal;
#   - every import comes from a Windows system DLL and is listed in the
#     allow-list with Windows 95 (or a 95 stub) and NT 4.0 or earlier.
# Prints every import with its versions and exits 1 on the first file that fails.
#
#   scripts/compat-check.sh [-l allow-list] FILE.exe|FILE.dll ...
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
list="$top/compat/win95-nt4-imports.txt"
if [ "${1:-}" = "-l" ]; then list=$2; shift 2; fi
[ $# -gt 0 ] || { echo "usage: $0 [-l allow-list] FILE..." >&2; exit 2; }
objdump=
for c in i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump objdump; do
  command -v "$c" >/dev/null && { objdump=$c; break; }
done
[ -n "$objdump" ] || { echo "compat-check: no objdump for PE files" >&2; exit 2; }
[ -r "$list" ] || { echo "compat-check: allow-list $list not readable" >&2; exit 2; }

status=0
for f in "$@"; do
  if [ ! -f "$f" ]; then echo "FAIL $f: no such file"; status=1; continue; fi
  dump=$("$objdump" -p "$f" 2>&1) || { echo "FAIL $f: not a PE file"; echo "$dump" | head -3; status=1; continue; }
  printf '%s\n' "$dump" | awk -v file="$f" -v list="$list" '
    BEGIN {
      # The DLLs of every Windows 95 and NT 4.0 installation (msvcrt: see the list).
      split("kernel32 user32 gdi32 advapi32 comctl32 ole32 oleaut32 olepro32 shell32 msvcrt", s, " ")
      for (i in s) sysdll[s[i]] = 1
      while ((getline line < list) > 0) {
        sub(/#.*/, "", line); sub(/^[ \t]+/, "", line)
        if (line == "") continue
        n = split(line, w, /[ \t]+/)
        key = tolower(w[1]); split(key, kw, "!")
        if (kw[2] == "" || n < 3) { print "FAIL allow-list: bad line: " line; bad = 1; continue }
        # function names keep their case: the loader matches them exactly
        split(w[1], orig, "!")
        name = kw[1] "!" orig[2]
        v9x[name] = w[2]; vnt[name] = w[3]
      }
    }
    function ok9x(v) { return v == "95" || v == "95s" }
    function oknt(v) { return v == "3.1" || v == "3.5" || v == "3.51" || v == "4.0" }
    /^Magic/ { magic = $2 }
    /^MajorOSystemVersion/ { osv = $2 + 0 }
    /^MajorSubsystemVersion/ { ssv = $2 + 0 }
    /^Entry d / { if ($3 != "00000000") delay = 1 }
    /^[ \t]*DLL Name:/ {
      dll = tolower($3); sub(/\.dll$/, "", dll); indll = 1; ndll++
      if (!(dll in sysdll)) { printf "FAIL %s: imports from %s.dll, which is not a Windows system DLL\n", file, dll; fail = 1 }
      next
    }
    indll && /^[ \t]*vma:/ { next }
    indll && /^[ \t]*$/ { indll = 0; next }
    indll {
      # "<vma> <hint> <name>" or, for an ordinal import, "<vma> <ordinal> <none>"
      if (NF < 3 || $3 == "<none>") { printf "FAIL %s: %s.dll imported by ordinal %s\n", file, dll, $2; fail = 1; next }
      fn = dll "!" $3; nimp++
      if (!(fn in v9x)) { printf "FAIL %s: %s is not in the allow-list\n", file, fn; fail = 1; next }
      verdict = (ok9x(v9x[fn]) && oknt(vnt[fn])) ? "ok  " : "FAIL"
      printf "%s %-45s 9x %-4s NT %s\n", verdict, fn, v9x[fn], vnt[fn]
      if (verdict == "FAIL") { printf "FAIL %s: %s needs Windows %s / NT %s\n", file, fn, v9x[fn], vnt[fn]; fail = 1 }
    }
    END {
      if (bad) exit 1
      if (magic != "010b") { printf "FAIL %s: not a 32-bit (PE32) image\n", file; fail = 1 }
      if (osv > 4) { printf "FAIL %s: MajorOperatingSystemVersion %d (must be at most 4)\n", file, osv; fail = 1 }
      if (ssv > 4) { printf "FAIL %s: MajorSubsystemVersion %d (Windows 95 and NT 4.0 load at most 4)\n", file, ssv; fail = 1 }
      if (delay) { printf "FAIL %s: has delay-loaded imports (not checked, not loadable on Windows 95)\n", file; fail = 1 }
      printf "%s: %d imports from %d DLLs: %s\n", file, nimp, ndll, fail ? "FAILED" : "loads on Windows 95 and NT 4.0"
      exit fail ? 1 : 0
    }' || status=1
done
exit $status
