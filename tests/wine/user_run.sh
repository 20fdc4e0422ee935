#!/usr/bin/env bash
# The real wizard installs and configures the demo engine as a user drives it
# ("user") and as an automation tool does ("tool"); with "win64" only the user
# run, in a 64-bit prefix (the README's "Test it" says what each checks).
set -u -o pipefail
[ "${1:-}" = win64 ] && WS_WINEARCH=win64
. "$(dirname "$0")/common.bash"
need "$WINE_BUILD/dmoclient.exe" "$WINE_BUILD/medium/SqlRun02.msi"
wt_setup "user_run${1:+_$1}"
[ "${1:-}" != win64 ] || [ "${PROGRAMS##*/}" = "Program Files (x86)" ] || fail "win64: the program folder is $PROGRAMS"
wt_medium ZoMelCD "$WINE_BUILD"/medium/SqlRun*.msi
cp "$WINE_BUILD/dmoclient.exe" "$C/"

# An old restart entry that the welcome page removes, and a stale value of
# the hand-off key that stays.
"$WINE" reg add "$RUNONCE" /v ZoMel /d 'C:\old.exe' /f >/dev/null && "$WINE" reg add "$HANDOFF" /v Other /d kept /f >/dev/null || fail "set-up"

# ---- user
wt_start ZoMelCD
robot wait-text "Welcome!" 30000 dump > "$OUT/welcome.txt" || fail "user: no welcome page"
shot 01-welcome
for line in 'label|Welcome!' 'button|< &Back|0|1' 'button|&Next >|1|1' 'button|&Finish|0|1' 'button|Cancel|1|1' \
            'label|Copyright (C) LumeDax. All rights reserved.'; do
  grep -qxF "$line" "$OUT/welcome.txt" || fail "user: welcome page lacks [$line]"
done
robot reg-missing "$RUNONCE" ZoMel >/dev/null || fail "user: RunOnce ZoMel not removed"
[ "$(robot rect)" = 'rect|292 155 796 544' ] || fail "user: first position: $(robot rect)"

# The user moves the page; the next one opens where it was left.
robot move 200 100 mouse "&Next >" wait-new-page 10000 wait-text "$READY" 10000 dump > "$OUT/ready.txt" ||
  fail "user: the mouse on Next did not show the ready page"
shot 02-ready
[ "$(robot rect)" = 'rect|200 100 704 489' ] || fail "user: ready page not where the welcome page was left"
[ "$(robot focus)" = 'focus|&Next >' ] || fail "user: Next has not the focus on the ready page"
grep -qxF 'button|< &Back|1|1' "$OUT/ready.txt" || fail "user: Back not enabled on the ready page"
grep -q '^label|Portions of the following Microsoft install application\\nmay take A VERY LONG TIME' "$OUT/ready.txt" ||
  fail "user: warning text"

# The hand-off key: six values (and the stranger kept; the scenarios pin each
# value); user and password scrambled as the database creator reads them.
[ "$(wt_count "$HANDOFF")" = 7 ] || fail "hand-off key: six values plus the old one expected"
unscramble() { robot reg-hex "$HANDOFF" "$1" | python3 -c 'import sys; print("".join(chr(b // 2) for b in bytes.fromhex(sys.stdin.read().split()[1]).rstrip(b"\0")))'; }
USER=$(unscramble User)
PASSWORD=$(unscramble Pwd)

# Keys: Esc asks; Alt+F4 and a close request leave the page; Alt+F (Finish
# disabled) does nothing; Tab order Help, Cancel, Back; Enter on Back.
robot key 27 wait-box 5000 expect-box "$BOX_TITLE" "$QUESTION" >/dev/null || fail "user: Esc did not ask the Cancel question"
shot 03-cancel-question
robot answer "&No" wait-no-box 5000 dump > "$OUT/ready-after-no.txt" || fail "user: No did not close the question"
cmp -s "$OUT/ready-after-no.txt" "$OUT/ready.txt" || fail "user: the page changed after No"
robot key 115 alt close key F alt sleep 500 expect-text "$READY" >/dev/null || fail "user: the page closed on Alt+F4, a close request or Alt+F"
robot key 9 key 9 key 9 sleep 300 focus | grep -qxF 'focus|< &Back' || fail "user: Tab order Help, Cancel, Back"
robot key 13 wait-new-page 10000 wait-text "$READY" 5000 >/dev/null || fail "user: Enter on Back did not show the ready page again"

# Alt+N: the install. Then Next sent (a second to lead on) and the mouse on Finish.
robot key N alt wait-new-page 10000 wait-text "$INSTALLED" 60000 >"$OUT/install.txt" ||
  fail "user: install: $(cat "$OUT/install.txt")"
shot 04-installed
robot expect-enabled "&Next >" 1 expect-enabled "< &Back" 0 expect-enabled Cancel 0 >/dev/null ||
  fail "user: only Next should be enabled after the install"
robot key 27 sleep 500 wait-no-box 0 >/dev/null || { fail "user: Esc asked to cancel with Cancel disabled"; robot answer "&No" >/dev/null; }
[ -f "$C/msde_inst.log" ] && log_names SqlRun01.msi || fail "user: no C:\\msde_inst.log naming SqlRun01.msi"
"$WINE" reg query "$INSTANCES\\ZoMEL\\Setup" /v ProductCode 2>/dev/null | grep -qF "$CODE01" ||
  fail "user: instance ZoMEL has not the product code of SqlRun01.msi"
ls "$C"/users/*/Temp/qxMSI_ERR.dll >/dev/null 2>&1 && fail "user: the temporary copy of qxMSI_ERR.dll was left behind"
robot send-click "&Next >" wait-new-page 1000 wait-text "$DONE" 60000 >"$OUT/configure.txt" ||
  { fail "user: configure: $(cat "$OUT/configure.txt")"; robot answer OK >/dev/null; }
shot 05-configured
robot expect-enabled "&Finish" 1 expect-enabled "&Next >" 0 expect-enabled "< &Back" 0 expect-enabled Cancel 0 >/dev/null ||
  fail "user: only Finish should be enabled after the configuration"
robot mouse "&Finish" wait-gone 5000 >/dev/null || fail "user: Finish did not end the wizard"
wt_ended user
wt_collect user
wt_log user 'Start: Tarnwick 1.0.0.0 C:\ZoMelCD\Tarnwick.exe, command line "", run mode 10, Windows version code 7, Windows Installer ' \
  'Page Welcome shown' 'Page Welcome returned 1' 'Page Server information returned 0' \
  'Message shown: This action will cancel any remaining operations.    Are you sure you wish to cancel ? | answer: No' \
  'Page Ready to install returned 2' 'Page Ready to install returned 1' 'Page Engine setup shown' \
  'Engine setup: package SqlRun01.msi' \
  'msiexec.exe /i SqlRun01.msi INSTANCENAME=ZoMEL SAPWD=**** CALLBACK=qxMSI_ERR!MSICBK SECURITYMODE=SQL /qb /l*v C:\msde_inst.log' \
  'Engine setup: exit code 0, library code 0, result 0' 'Page Engine setup returned 1' 'Page Configure shown' \
  'sqlmangr.exe /n' 'Configuration: SQL Manager started successfully....' \
  'Configuration: started C:\windows\system32\cmd.exe /C net start MSSQL$ZoMEL' \
  'Configuration: SQL Server service started successfully....' 'Configuration: Setting sa password....' \
  'Configuration: ended' 'Finish pressed' 'End of run: the program ended'
wt_no_password user vormasi17
"$WINE" sc query 'MSSQL$ZoMEL' | tr -d '\r' | grep -q 'STATE.*RUNNING' || fail 'user: service MSSQL$ZoMEL is not running'
"$WINE" reg query 'HKLM\System\CurrentControlSet\Services\MSSQL$ZoMEL' /v Start | grep -q '0x2' ||
  fail 'user: MSSQL$ZoMEL does not start with the system'
"$WINE" reg query 'HKLM\SOFTWARE\Microsoft\Microsoft SQL Server\80\Tools\Service Manager' /v AutoStart 2>/dev/null |
  grep -q 'AutoStart.*0x1' || fail "user: the service manager's auto-start box was not ticked"
tr -d '\r' < "$PROGRAMS/Tarnwick Demo Engine/SqlRun01/MSSQL\$ZoMEL.state" | grep -qxF 'Member=sysadmin|sa' || fail "user: sa is not a sysadmin"
# A connection as the application makes it (changing the password to itself).
got=$("$WINE" 'C:\dmoclient.exe' "$HOST\\ZoMEL" "$USER" "$PASSWORD" 2>&1 | tr -d '\r')
[ "$got" = OK ] || fail "user: no connection as $USER/$PASSWORD: $got"
[ "${1:-}" = win64 ] && { wt_result user_run_win64; exit; }

# ---- tool: BM_CLICK sent, a second to lead on each time; a run stops at
# its first failure.
TAKEN='The MSDE setup failed because there is already a server named ZoMEL on this system.'
tool() {
  robot wait-text "Welcome!" 30000 send-click "&Next >" wait-new-page 1000 expect-text "$READY" ||
    { fail "tool: Next sent on the welcome page"; return 1; }
  robot send-click "< &Back" wait-new-page 1000 expect-text "$READY" || { fail "tool: Back sent on the ready page"; return 1; }
  robot send-click Cancel wait-box 1000 answer "&No" wait-no-box 1000 || { fail "tool: Cancel sent, answered No"; return 1; }
  robot send-click "&Next >" wait-new-page 1000 || { fail "tool: Next sent on the ready page"; return 1; }
  robot wait-text "$TAKEN" 60000 expect-box "$BOX_TITLE" "$TAKEN" || { fail "tool: no message that the name is taken"; return 1; }
  shot 06-name-taken
  robot answer OK wait-no-box 5000 wait-text "$SETUP_ERROR" 5000 expect-enabled "&Next >" 0 expect-enabled "< &Back" 1 expect-enabled Cancel 1 ||
    fail "tool: no error text with Back and Cancel"
  log_names SqlRun02.msi || fail "tool: the setup did not run SqlRun02.msi"
  "$WINE" reg query "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$CODE02" >/dev/null 2>&1 &&
    fail "tool: the refused package was registered anyway"
  robot send-click "< &Back" wait-new-page 1000 expect-text "$READY" || { fail "tool: Back sent on the failed install"; return 1; }
  robot send-click Cancel wait-box 1000 answer "&Yes" wait-gone 1000 || { fail "tool: Cancel sent, answered Yes"; return 1; }
}
wt_start ZoMelCD
tool || kill "$WIZ_PID" 2>/dev/null
wt_ended tool
wt_collect tool
wt_log tool 'Start: Tarnwick' "Engine setup: product code $CODE01 found under SOFTWARE\Microsoft\Microsoft SQL Server\ZoMEL\Setup: SqlRun01.msi taken" \
  'Engine setup: package SqlRun02.msi' 'library code 50043, result 50043' "Message shown: $TAKEN | answer: OK" \
  'Page Engine setup returned 2' 'Cancel confirmed' 'End of run: the program ended'

wt_result user_run
