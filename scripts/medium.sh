#!/usr/bin/env bash
# Lays out the installation media as folders, from the builds:
#
#   <out>/release-x86/          what ships: the i686 Tarnwick.exe and qxMSI_ERR.dll
#   <out>/demo-x86-standins/    the release programs plus stand-ins for the outside
#                               software (engine packages, Windows Installer
#                               redistributables, server tools), 32-bit
#   <out>/demo-x64-standins/    the same for the x86_64 test build, for wine64
#
# Every demo folder holds STANDINS.TXT, which names each file as shipped or
# stand-in.
#
#   scripts/medium.sh [out]     (default build/media; WIN32_BUILD and WIN64_BUILD
#                                override build/win32 and build/win64)
# Exits 1 and names what is missing when a build lacks a part; the other
# media are still laid out.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/build/media}
win32=${WIN32_BUILD:-$top/build/win32}
win64=${WIN64_BUILD:-$top/build/win64}
missing=0

# first existing file among the candidates
pick() { local f; for f in "$@"; do [ -f "$f" ] && { echo "$f"; return 0; }; done; return 1; }

put() {  # src dest-folder [dest-name]
  local src=$1 dir=$2 name=${3:-$(basename "$1")}
  mkdir -p "$dir" && cp -f "$src" "$dir/$name"
}

take() {  # what, build, dest-folder, candidates...: copies the first that exists
  local what=$1 b=$2 dir=$3 f; shift 3
  if f=$(pick "$@"); then put "$f" "$dir"; return 0; fi
  echo "medium: missing $what in $b" >&2
  missing=1
}

programs() {  # build, dest
  local b=$1 d=$2
  take Tarnwick.exe "$b" "$d" "$b/Tarnwick.exe"
  take qxMSI_ERR.dll "$b" "$d" "$b/qxMSI_ERR.dll" "$b/qxmsi/qxMSI_ERR.dll"
}

demo() {  # build, dest, arch
  local b=$1 d=$2 arch=$3 f n nn tools
  rm -rf "$d"; mkdir -p "$d/MSI"
  programs "$b" "$d"
  for n in $(seq 1 16); do
    nn=$(printf '%02d' "$n")
    take "SqlRun$nn.msi" "$b" "$d" "$b/medium/SqlRun$nn.msi" "$b/demo/packages/SqlRun$nn.msi"
  done
  for n in INSTMSI INSTMSIW; do
    take "MSI/$n.EXE" "$b" "$d/MSI" "$b/MSI/$n.EXE" "$b/demo/instmsi/$n.EXE"
  done
  # The server tools' stand-ins travel inside the engine packages, which
  # install them into the instance folder; copies beside them on the medium
  # let a tester run them by hand.
  tools=(sqlmangr.exe scm.exe sqlservr.exe sqldmo.dll)
  for f in "${tools[@]}"; do
    take "$f" "$b" "$d/STANDIN-SERVERTOOLS" "$b/$f" "$b/demo/servertools/$f"
  done
  {
    echo "Demo installation medium ($arch) - NOT FOR SHIPPING"
    echo
    echo "Shipped (the release medium holds the 32-bit build of these):"
    echo "  Tarnwick.exe        the wizard ($arch build)"
    echo "  qxMSI_ERR.dll       the setup-result library ($arch build)"
    echo
    echo "Stand-ins for outside software, made for testing only:"
    echo "  SqlRun01.msi ... SqlRun16.msi   demo engine instance packages ($arch)"
    echo "  MSI\\INSTMSI.EXE, MSI\\INSTMSIW.EXE   Windows Installer redistributable stand-ins"
    echo "  STANDIN-SERVERTOOLS\\   server tool stand-ins, installed by the packages too:"
    echo "      ${tools[*]}"
  } | sed 's/$/\r/' > "$d/STANDINS.TXT"
}

rm -rf "$out/release-x86"
programs "$win32" "$out/release-x86"
demo "$win32" "$out/demo-x86-standins" x86
rm -rf "$out/demo-x64-standins"
[ -f "$win64/Tarnwick.exe" ] && demo "$win64" "$out/demo-x64-standins" x64

for d in release-x86 demo-x86-standins demo-x64-standins; do
  [ -d "$out/$d" ] && echo "medium: $out/$d: $(find "$out/$d" -type f | wc -l) files"
done
if [ $missing -ne 0 ]; then
  echo "medium: incomplete (see above): build with scripts/build.sh" >&2
  exit 1
fi
