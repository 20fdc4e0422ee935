#!/usr/bin/env bash
# The wizard installs a demo engine package for real with Wine's msiexec:
#   run 1: SqlRun01.msi installed, C:\msde_inst.log written, the instance's
#          product code in the registry, the success text with only Next;
#   run 2: SqlRun02.msi chosen; the instance name is taken, the package says
#          so through the setup-result library (50043) and the page fails;
#   run 3: all sixteen product codes present: no package, no setup;
#   run 4: with the first instance renamed, SqlRun02.msi installs for real
#          (and run 2's recorded 50043 no longer counts).
# installdriver.exe (tests/installprobe) presses Next up to the setup page
# and logs what the pages and message boxes show.
set -u
win64=${WIN64_BUILD:?}
out=${TEST_OUT:-/tmp}/install_engine
rm -rf "$out"; mkdir -p "$out"
. "$(dirname "$0")/common.bash"

driver=$win64/tests/installprobe/installdriver.exe
wt_need "$win64/Tarnwick.exe" "$win64/qxMSI_ERR.dll" "$win64/medium/SqlRun01.msi" "$driver"

wt_display 14
wt_temp_prefix ins-engine

c=$WINEPREFIX/drive_c
mkdir -p "$c/medium" "$c/probe"
cp "$win64/Tarnwick.exe" "$win64/qxMSI_ERR.dll" "$win64"/medium/SqlRun*.msi "$c/medium/"
cp "$driver" "$c/probe/"

reg_value() {  # key value
  "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v v="$2" '$1 == v { print $NF }'
}

# One wizard run up to the settled setup page; screenshot once it settled.
run() {  # name
  local name=$1 log=$c/probe/$1.txt i
  rm -f "$log"
  "$WINE" 'C:\probe\installdriver.exe' "C:\\probe\\$name.txt" 150 2 'C:\medium\Tarnwick.exe' \
    > "$out/$name.driver.txt" 2>&1 &
  local pid=$!
  for i in $(seq 1 1700); do
    if grep -q '^INSTALL \(success\|failed\)' "$log" 2>/dev/null; then
      import -window root "$out/$name.png" 2>/dev/null
      break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  wait "$pid"
  tr -d '\r' < "$log" > "$out/$name.txt" 2>/dev/null
  [ -f "$c/msde_inst.log" ] && cp "$c/msde_inst.log" "$out/$name.msde_inst.log"
  echo "--- $name:"; sed 's/^/    /' "$out/$name.txt" 2>/dev/null
}

engine_log_names() {  # the package the setup log names
  iconv -f UTF-16LE -t UTF-8 "$c/msde_inst.log" 2>/dev/null | grep -q "$1" || grep -aq "$1" "$c/msde_inst.log"
}

codes=(E09B48B5-E141-427A-AB0C-D3605127224A 689404D2-1C94-44B3-9203-BEC5594FDA7A
       EFB70B01-B1F3-4960-AB69-4A280084A60C C2736CA7-76E1-4D0C-B590-483A7FFD18DA
       FE7E950B-220A-4182-B5CA-19397244DCFD 7E5C338B-E77E-4CB4-9C1D-FB67B56B3B19
       F07E35BF-8B03-4777-9B5E-AE90E4FF0932 C5B59406-E985-4187-84E8-68E2D9F89A47
       D7CE240C-0F3B-4C40-9278-C0B90E533652 A519AE9C-7C79-4C5B-9127-8F46D648D5A4
       4541DA32-2108-43E9-9915-C71B9DE77048 A5C1C914-4EF7-40ED-9BCE-FCEB4BB0C19D
       9FCE5BBD-D85F-4905-8A0C-12A3A86C2434 F4E46404-2578-4955-B748-547957F08AB1
       B7300824-E68F-45F1-BAC1-5F15636C346F CD59EA85-6CBF-4C08-BE59-6C628B3D8F54)
instances='HKLM\SOFTWARE\Microsoft\Microsoft SQL Server'

# ---- run 1: a real install
run run1
grep -qx 'INSTALL waiting' "$out/run1.txt" 2>/dev/null || fail "run 1: the setup page never showed its waiting text"
grep -qx 'INSTALL success next=1 back=0 cancel=0' "$out/run1.txt" 2>/dev/null \
  || fail "run 1: no success text with only Next enabled"
grep -q '^BOX' "$out/run1.txt" 2>/dev/null && fail "run 1: a message box appeared"
[ -f "$c/msde_inst.log" ] || fail "run 1: no msde_inst.log in the root of C: (the first fixed drive)"
[ -f "$c/msde_inst.log" ] && { engine_log_names SqlRun01.msi || fail "run 1: msde_inst.log does not name SqlRun01.msi"; }
got=$(reg_value "$instances\\ZoMEL\\Setup" ProductCode)
[ "$got" = "{${codes[0]}}" ] || fail "run 1: ProductCode of instance ZoMEL is \"$got\", expected {${codes[0]}}"
ls "$c"/users/*/Temp/qxMSI_ERR.dll >/dev/null 2>&1 && fail "run 1: the temporary copy of qxMSI_ERR.dll was left behind"

# ---- run 2: the next package, refused because the name is taken
run run2
grep -qx 'BOX Custom Database Configuration|The MSDE setup failed because there is already a server named ZoMEL on this system.' \
  "$out/run2.txt" 2>/dev/null || fail "run 2: no \"already a server named ZoMEL\" message"
grep -qx 'INSTALL failed next=0 back=1 cancel=1' "$out/run2.txt" 2>/dev/null \
  || fail "run 2: no error text with Back and Cancel"
engine_log_names SqlRun02.msi || fail "run 2: the setup did not run SqlRun02.msi"
"$WINE" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\{'"${codes[1]}"'}' >/dev/null 2>&1 \
  && fail "run 2: the refused package was registered anyway"

# ---- run 3: every package taken
for i in $(seq 1 15); do
  "$WINE" reg add "$instances\\TAKEN$i\\Setup" /v ProductCode /d "{${codes[$i]}}" /f >/dev/null 2>&1
done
rm -f "$c/msde_inst.log"
run run3
grep -qx 'BOX Custom Database Configuration|Unable to obtain available SQL MSI instance file.' "$out/run3.txt" 2>/dev/null \
  || fail "run 3: no \"Unable to obtain available SQL MSI instance file.\" message"
grep -qx 'INSTALL failed next=0 back=1 cancel=1' "$out/run3.txt" 2>/dev/null \
  || fail "run 3: no error text with Back and Cancel"
[ -f "$c/msde_inst.log" ] && fail "run 3: a setup ran although no package was free"

# ---- run 4: the name is free again, package 01 still taken
for i in $(seq 1 15); do "$WINE" reg delete "$instances\\TAKEN$i" /f >/dev/null 2>&1; done
"$WINE" reg add "$instances\\OLD\\Setup" /v ProductCode /d "{${codes[0]}}" /f >/dev/null 2>&1
"$WINE" reg delete "$instances\\ZoMEL" /f >/dev/null 2>&1
run run4
grep -qx 'INSTALL success next=1 back=0 cancel=0' "$out/run4.txt" 2>/dev/null \
  || fail "run 4: SqlRun02.msi did not install with success"
grep -q '^BOX' "$out/run4.txt" 2>/dev/null && fail "run 4: a message box appeared"
got=$(reg_value "$instances\\ZoMEL\\Setup" ProductCode)
[ "$got" = "{${codes[1]}}" ] || fail "run 4: ProductCode of instance ZoMEL is \"$got\", expected {${codes[1]}}"

wt_result install_engine "$out"
