#!/usr/bin/env bash
# The i686 release must load on Windows 95 and NT 4.0: scripts/compat-check.sh
# on Tarnwick.exe and qxMSI_ERR.dll of the i686 build beside $WIN64_BUILD.
# First the check itself is checked on small programs built here, one clean
# and some with each fault it must catch, so a check that passes everything
# cannot go unnoticed.
set -u
src=${SOURCE_DIR:?}
win32=${WIN64_BUILD:?}/../win32
work=${TEST_OUT:-/tmp}/compat_imports
rm -rf "$work"; mkdir -p "$work"
check="$src/scripts/compat-check.sh"
fails=0
fail() { echo "FAILED: $*"; fails=$((fails + 1)); }

cxx=i686-w64-mingw32-g++-win32
command -v $cxx >/dev/null || cxx=i686-w64-mingw32-g++
build() {  # name, source, extra flags...
  local name=$1 code=$2; shift 2
  printf '%s\n' "$code" > "$work/$name.cpp"
  $cxx -Os -s -static -o "$work/$name.exe" "$work/$name.cpp" -mwindows -Wl,--subsystem,windows:4.0 "$@" \
    || fail "could not build $name"
}
expect() {  # name, want exit code, pattern the output must hold (or "")
  local name=$1 want=$2 pattern=$3 out rc
  out=$(bash "$check" "$work/$name.exe" 2>&1); rc=$?
  [ "$rc" = "$want" ] || { fail "$name: check exited $rc, expected $want"; printf '%s\n' "$out" | grep -v '^ok' | sed 's/^/    /'; }
  if [ -n "$pattern" ] && ! printf '%s\n' "$out" | grep -q -- "$pattern"; then
    fail "$name: output lacks \"$pattern\""; printf '%s\n' "$out" | grep -v '^ok' | sed 's/^/    /'
  fi
}

hdr='#include <windows.h>'
build clean "$hdr
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return MessageBoxA(0, \"x\", \"y\", 0); }"
expect clean 0 "loads on Windows 95 and NT 4.0"

build debugger "$hdr
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return IsDebuggerPresent(); }"
expect debugger 1 "kernel32!IsDebuggerPresent needs Windows 98 / NT 4.0"

build xponly "$hdr
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return AddVectoredExceptionHandler(0, 0) != 0; }" \
  -D_WIN32_WINNT=0x0501
expect xponly 1 "AddVectoredExceptionHandler needs Windows - / NT XP"

build unlisted "$hdr
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return GetThreadPriority(GetCurrentThread()); }"
expect unlisted 1 "kernel32!GetThreadPriority is not in the allow-list"

build winsock "#include <winsock.h>
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return gethostname(0, 0); }" -lwsock32
expect winsock 1 "imports from wsock32.dll, which is not a Windows system DLL"

build newsubsys "$hdr
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return MessageBoxA(0, \"x\", \"y\", 0); }" \
  -Wl,--subsystem,windows:5.1
expect newsubsys 1 "MajorSubsystemVersion 5"

# The picture functions must come from olepro32: Windows 95's oleaut32 lacks them.
build oleaut "$hdr
#include <olectl.h>
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { IPicture* p; return OleCreatePictureIndirect(0, IID_IPicture, 0, (void**)&p); }" \
  -loleaut32 -luuid
expect oleaut 1 "oleaut32!OleCreatePictureIndirect needs Windows 98"

# The release itself.
for f in "$win32/Tarnwick.exe" "$win32/qxMSI_ERR.dll"; do
  if [ ! -f "$f" ]; then fail "$f is missing: build the i686 release first (scripts/build.sh)"; continue; fi
  out=$(bash "$check" "$f" 2>&1) || { fail "$(basename "$f") imports what Windows 95 / NT 4.0 lack"; }
  printf '%s\n' "$out" | grep -v '^ok'
done

[ $fails -eq 0 ] && echo "compat_imports: all checks passed" || echo "compat_imports: $fails check(s) failed"
[ $fails -eq 0 ]
