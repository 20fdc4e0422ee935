#!/usr/bin/env bash
# What ships, checked on the files without Wine: the imports (compat-check.sh,
# shown to catch each kind of fault), the media's layout and architectures,
# and the resources (pe_resources.py).
set -u
. "$(dirname "$0")/common.bash"
src=$SOURCE_DIR
win32=$WINE_BUILD/../win32
win64=$WINE_BUILD/../win64
OUT=$TEST_OUT/media
work=$OUT
rm -rf "$work"; mkdir -p "$work"
pe="python3 $src/tests/wine/pe_resources.py"

# ---- imports
build() {  # compiler, name, source, flags...
  local cxx=$1 name=$2 code=$3; shift 3
  printf '#include <windows.h>\n#include <olectl.h>\nint WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { %s }\n' "$code" > "$work/$name.cpp"
  $cxx -Os -s -o "$work/$name.exe" "$work/$name.cpp" -mwindows "$@" 2>>"$work/cc.log" || fail "could not build $name"
}
while IFS='|' read -r name code flags want; do
  build i686-w64-mingw32-g++-win32 "$name" "$code" -static -Wl,--subsystem,windows:4.0 $flags
  out=$(bash "$src/scripts/compat-check.sh" "$work/$name.exe" 2>&1)
  printf '%s\n' "$out" | grep -qF -- "$want" || { fail "compat-check on $name: no [$want]"; printf '%s\n' "$out" | grep -v '^ok' | sed 's/^/    /'; }
done <<'EOF'
clean|return MessageBoxA(0, "x", "y", 0);||loads on Windows 95 and NT 4.0
debugger|return IsDebuggerPresent();||kernel32!IsDebuggerPresent needs Windows 98 / NT 4.0
unlisted|return GetThreadPriority(GetCurrentThread());||kernel32!GetThreadPriority is not in the allow-list
newsubsys|return 0;|-Wl,--subsystem,windows:5.1|MajorSubsystemVersion 5
oleaut|IPicture* p; return OleCreatePictureIndirect(0, IID_IPicture, 0, (void**)&p);|-loleaut32 -luuid|oleaut32!OleCreatePictureIndirect needs Windows 98
EOF
for f in "$win32/Tarnwick.exe" "$win32/qxMSI_ERR.dll"; do
  [ -f "$f" ] || { fail "$f is missing: build the i686 release first (scripts/build.sh)"; continue; }
  out=$(bash "$src/scripts/compat-check.sh" "$f" 2>&1) || { fail "$(basename "$f") imports what Windows 95 / NT 4.0 lack"; printf '%s\n' "$out" | grep -v '^ok'; }
done

# ---- media
WIN32_BUILD=$win32 WIN64_BUILD=$win64 bash "$src/scripts/medium.sh" "$work/media" > "$work/medium.log" 2>&1 ||
  { fail "medium.sh reports missing parts:"; sed 's/^/    /' "$work/medium.log"; }
m=$work/media
got=$(cd "$m/release-x86" 2>/dev/null && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$got" = "Tarnwick.exe qxMSI_ERR.dll " ] || fail "release-x86 holds \"$got\", expected Tarnwick.exe and qxMSI_ERR.dll only"
arch_of() { [ -f "$1" ] && $pe machine "$1" || echo missing; }
check_medium() {  # folder, PE machine, MSI platform, files...
  local name=$1 d=$m/$1 machine=$2 platform=$3 f n tmpl
  shift 3
  for f; do [ "$(arch_of "$d/$f")" = "$machine" ] || fail "$name/$f is $(arch_of "$d/$f"), not $machine"; done
  [ "$name" = release-x86 ] && return
  set -- "$name"
  grep -q "NOT FOR SHIPPING" "$d/STANDINS.TXT" 2>/dev/null || fail "$1/STANDINS.TXT does not say it is not for shipping"
  for n in $(seq -w 1 16); do
    tmpl=$(msiinfo suminfo "$d/SqlRun$n.msi" 2>/dev/null | sed -n 's/^Template: //p')
    [ "${tmpl%%;*}" = "$platform" ] || fail "$1/SqlRun$n.msi is a \"$tmpl\" package, expected $platform"
  done
  [ -e "$d/SqlRun17.msi" ] && fail "$1 has a seventeenth package"
}
check_medium release-x86 i386 - Tarnwick.exe qxMSI_ERR.dll
DEMO="Tarnwick.exe qxMSI_ERR.dll MSI/INSTMSI.EXE MSI/INSTMSIW.EXE STANDIN-SERVERTOOLS/sqlmangr.exe STANDIN-SERVERTOOLS/scm.exe STANDIN-SERVERTOOLS/sqlservr.exe STANDIN-SERVERTOOLS/sqldmo.dll"
check_medium demo-x86-standins i386 Intel $DEMO
# The x86_64 build exists only where 32-bit programs cannot run.
[ -f "$win64/Tarnwick.exe" ] && check_medium demo-x64-standins x86-64 x64 $DEMO
cmp -s "$m/demo-x86-standins/Tarnwick.exe" "$m/release-x86/Tarnwick.exe" || fail "the x86 demo medium's Tarnwick.exe differs from the release's"

# ---- resources
for f in "$win32/Tarnwick.exe" "$win64/Tarnwick.exe"; do
  [ -f "$f" ] || continue
  out=$($pe check "$f" 2>&1) || fail "resources of $f: $out"
done

wt_result media
