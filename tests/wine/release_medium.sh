#!/usr/bin/env bash
# The media that scripts/medium.sh lays out from the builds:
#   - the release medium holds exactly the two shipped files, both 32-bit;
#   - each demo medium pairs programs and packages of one architecture (a
#     64-bit wizard reads the 64-bit registry view, which only x64 packages
#     write; the 32-bit wizard and x86 packages share the 32-bit view);
#   - the stand-ins are named as such on the medium;
#   - both builds of Tarnwick.exe carry the manifest, version and icon.
set -u
src=${SOURCE_DIR:?}
win64=${WIN64_BUILD:?}
win32=$win64/../win32
work=${TEST_OUT:-/tmp}/release_medium
rm -rf "$work"; mkdir -p "$work"
pe="python3 $src/tests/wine/pe_resources.py"
fails=0
fail() { echo "FAILED: $*"; fails=$((fails + 1)); }

WIN32_BUILD=$win32 WIN64_BUILD=$win64 bash "$src/scripts/medium.sh" "$work/media" > "$work/medium.log" 2>&1 \
  || { fail "medium.sh reports missing parts:"; sed 's/^/    /' "$work/medium.log"; }
m=$work/media

# The release medium: exactly what ships.
got=$(cd "$m/release-x86" 2>/dev/null && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$got" = "Tarnwick.exe qxMSI_ERR.dll " ] || fail "release-x86 holds \"$got\", expected Tarnwick.exe and qxMSI_ERR.dll only"

arch_of() { [ -f "$1" ] && $pe machine "$1" || echo missing; }
for f in Tarnwick.exe qxMSI_ERR.dll; do
  [ "$(arch_of "$m/release-x86/$f")" = i386 ] || fail "release-x86/$f is $(arch_of "$m/release-x86/$f"), not i386"
done

# The demo media: one architecture each, stand-ins declared.
check_demo() {  # folder, PE machine, MSI platform
  local d=$m/$1 machine=$2 platform=$3 f n tmpl
  [ -f "$d/STANDINS.TXT" ] || fail "$1 has no STANDINS.TXT"
  grep -q "NOT FOR SHIPPING" "$d/STANDINS.TXT" 2>/dev/null || fail "$1/STANDINS.TXT does not say it is not for shipping"
  for f in Tarnwick.exe qxMSI_ERR.dll MSI/INSTMSI.EXE MSI/INSTMSIW.EXE STANDIN-SERVERTOOLS/sqlmangr.exe \
           STANDIN-SERVERTOOLS/scm.exe STANDIN-SERVERTOOLS/sqlservr.exe STANDIN-SERVERTOOLS/sqldmo.dll; do
    [ "$(arch_of "$d/$f")" = "$machine" ] || fail "$1/$f is $(arch_of "$d/$f"), not $machine"
  done
  for n in $(seq -w 1 16); do
    f=$d/SqlRun$n.msi
    if [ ! -f "$f" ]; then fail "$1 lacks SqlRun$n.msi"; continue; fi
    tmpl=$(msiinfo suminfo "$f" 2>/dev/null | sed -n 's/^Template: //p')
    [ "${tmpl%%;*}" = "$platform" ] || fail "$1/SqlRun$n.msi is a \"$tmpl\" package, expected $platform"
  done
  [ -e "$d/SqlRun17.msi" ] && fail "$1 has a seventeenth package"
}
check_demo demo-x86-standins i386 Intel
cmp -s "$m/demo-x86-standins/Tarnwick.exe" "$m/release-x86/Tarnwick.exe" \
  || fail "the x86 demo medium's Tarnwick.exe differs from the release's"
check_demo demo-x64-standins x86-64 x64

# Resources of both builds of the wizard.
for f in "$win32/Tarnwick.exe" "$win64/Tarnwick.exe"; do
  out=$($pe check "$f" 2>&1) || fail "resources of $f:
$out"
done

# The resource check itself must see faults: a program without resources and
# one whose manifest asks for no elevation.
cxx=x86_64-w64-mingw32-g++-win32
command -v $cxx >/dev/null || cxx=x86_64-w64-mingw32-g++
printf '#include <windows.h>\nint WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }\n' > "$work/bare.cpp"
sed 's/requireAdministrator/asInvoker/' "$src/startup/Tarnwick.manifest" > "$work/Tarnwick.manifest"
cp "$src/startup/Manifest.rc" "$src/startup/resource.h" "$work/"
if $cxx -o "$work/bare.exe" "$work/bare.cpp" -mwindows 2>"$work/cc.log" &&
   x86_64-w64-mingw32-windres "$work/Manifest.rc" -O coff -o "$work/asinvoker.o" 2>>"$work/cc.log" &&
   $cxx -o "$work/asinvoker.exe" "$work/bare.cpp" "$work/asinvoker.o" -mwindows 2>>"$work/cc.log"; then
  out=$($pe check "$work/bare.exe") && fail "the resource check passes a program without resources"
  printf '%s\n' "$out" | grep -q "no manifest" || fail "the resource check misses the missing manifest: $out"
  out=$($pe check "$work/asinvoker.exe")
  printf '%s\n' "$out" | grep -q "not requireAdministrator" || fail "the resource check misses an asInvoker manifest: $out"
else
  fail "could not build the resource check's samples: $(cat "$work/cc.log")"
fi

[ $fails -eq 0 ] && echo "release_medium: all checks passed" || echo "release_medium: $fails check(s) failed"
[ $fails -eq 0 ]
