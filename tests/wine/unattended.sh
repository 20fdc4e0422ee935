#!/usr/bin/env bash
# Unattended runs as a distribution tool starts them, each judged by its exit
# code (the README's "Test it" lists them); the prefix's program folder is
# C:\Programme.
set -u -o pipefail
. "$(dirname "$0")/common.bash"
need "$WINE_BUILD/dmoclient.exe" "$WINE_BUILD/medium/SqlRun03.msi"
wt_setup unattended
"$WINE" reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion' /v ProgramFilesDir /d 'C:\Programme' /f >/dev/null   # as in German
wt_medium ZoMelCD "$WINE_BUILD"/medium/SqlRun*.msi
cp "$WINE_BUILD/dmoclient.exe" "$C/"
# Wine's own, the only window /quiet may show: Wine's msiexec runs the package's system-context
# action (sqlservr.exe -init) on the desktop, in a console; Windows runs it unseen in its service.
WINE_OWN='WineConsoleClass|*\sqlservr.exe'
TAKEN='The MSDE setup failed because there is already a server named ZoMEL on this system.'

# The wizard started from the medium by the robot as a distribution tool,
# which reports its exit code once it has ended by itself.
tool_start() {  # switches...
  (cd "$C/ZoMelCD" && exec "$WINE" "$ROBOT" run "C:\\ZoMelCD\\Tarnwick.exe $*" 180000 | tr -d '\r' > "$OUT/exit.txt") &
  WIZ_PID=$!
}
exit_code() {  # name, expected
  wait "$WIZ_PID"
  WIZ_PID=
  [ "$(grep "^exit|" "$OUT/exit.txt")" = "exit|$2" ] || fail "$1: [$(grep "^exit|" "$OUT/exit.txt")], expected exit code $2"
}
free_name() {  # a fresh instance name for the next run: ZoMEL's key gone, its package taken
  "$WINE" reg delete "$INSTANCES\\ZoMEL" /f >/dev/null 2>&1
  "$WINE" reg add "$INSTANCES\\OLD$1\\Setup" /v ProductCode /d "$2" /f >/dev/null 2>&1
}
quiet() {  # name, expected exit code, switches...
  local name=$1 code=$2
  shift 2
  tool_start "$@"
  robot watch-hidden 120000 "$WINE_OWN" > "$OUT/$name-watch.txt" || fail "$name: $(cat "$OUT/$name-watch.txt")"
  exit_code "$name" "$code"
}

tool_start /quiet /bogus
exit_code invalid 1639
wt_log invalid 'Message answered unseen: Invalid command line paramiters.' 'command line "/bogus", run mode 0' 'unattended: /quiet' \
  'End of run: the wizard closed, exit code 1639'

quiet quiet 0 /QUIET
wt_log quiet 'unattended: /quiet' 'Page Welcome returned 1' 'SECURITYMODE=SQL REBOOT=ReallySuppress /qn /l*v C:\msde_inst.log' \
  'Engine setup: exit code 0, library code 0, result 0' 'Configuration: SQL Manager started successfully....' 'Configuration: ended' 'End of run: the program ended, exit code 0'
"$WINE" sc query 'MSSQL$ZoMEL' | tr -d '\r' | grep -q 'STATE.*RUNNING' || fail 'quiet: service MSSQL$ZoMEL is not running'
[ "$(robot reg-hex 'HKLM\SOFTWARE\Microsoft\Microsoft SQL Server\80\Tools\Service Manager' AutoStart)" = '4 01000000' ] || fail 'quiet: auto-start not ticked'
got=$("$WINE" 'C:\dmoclient.exe' "$HOST\\ZoMEL" sa vormasi17 2>&1 | tr -d '\r')
[ "$got" = OK ] || fail "quiet: no connection with the hand-off login: $got"

quiet taken 1638 /quiet
wt_log taken 'Engine setup: package SqlRun02.msi' 'library code 50043' "Message answered unseen: $TAKEN | answer: OK" \
  'Page Engine setup returned 800000000' 'End of run: the wizard closed, exit code 1638'

free_name 1 "$CODE01"
tool_start /passive
robot wait-text Welcome! 30000 wait-text "$READY" 10000 wait-text "$INSTALLED" 60000 wait-text "$DONE" 60000 >"$OUT/passive.txt" ||
  fail "passive: not every page seen: $(cat "$OUT/passive.txt")"
exit_code passive 0
tool_start /passive
robot wait-text Welcome! 30000 send-click Cancel wait-gone 5000 >/dev/null || fail "passive cancel: Cancel on the welcome page did not end the run"
exit_code cancel 1602
wt_log cancel 'unattended: /passive' 'Message answered unseen: This action will cancel' 'Cancel confirmed' 'exit code 1602'

# A file the engine setup replaces, held open: it asks for a restart.
"$WINE" "$ROBOT" hold 'C:\Programme\Microsoft SQL Server\80\Tools\Binn\scm.exe' 600000 >/dev/null &
free_name 2 "$CODE02"
tool_start /quiet
# Wine's restart ends the session and starts what the Run key names.
for _ in $(seq 600); do
  sed -n '/Restart requested with flags 10: accepted/,$p' "$C/msde_wizard.log" | grep -aq 'the program ended, exit code 0' && break
  sleep 0.2
done
exit_code restart 1641
wt_log restart 'Engine setup: package SqlRun03.msi' 'Restart road: local copy C:\Programme\LumeDax\Tarnwick.exe made' \
  'Restart requested with flags 10: accepted by Windows' 'run mode 2, ' \
  'unattended: /quiet' 'Local copy C:\Programme\LumeDax\Tarnwick.exe: removal at the next restart scheduled' 'Configuration: ended' 'exit code 0'
wt_collect restart

# Windows 10: the entry goes under RunOnce.
"$WINE" reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null
free_name 3 '{EFB70B01-B1F3-4960-AB69-4A280084A60C}'   # SqlRun03.msi's
quiet norestart 3010 /quiet /norestart
log_names 'Property(S): REBOOT = ReallySuppress' || fail "norestart: msde_inst.log has not REBOOT = ReallySuppress"
ENTRY=$(wt_run_entry "$RUNONCE" "!$RUN_VALUE")
STAMP=$(printf '%s' "$ENTRY" | sed -n 's/^C:\\PROG[^\\ ]*\\LumeDax\\Tarnwick.exe \/Config \([0-9.]*\) \/quiet \/norestart$/\1/p')
[ -n "$STAMP" ] || fail "norestart: RunOnce entry [$ENTRY], expected the local copy, /Config <stamp> /quiet /norestart"
wt_log norestart 'Message answered unseen: The system must be rebooted' '| answer: No' 'exit code 3010'
tool_start /quiet
exit_code pending 3010
wt_log pending "command line \"\", refused: a restart is pending to resume with stamp $STAMP" \
  'Message answered unseen: A restart is needed to finish the installation already under way.' 'exit code 3010'
[ "$(wt_run_entry "$RUNONCE" "!$RUN_VALUE")" = "$ENTRY" ] && robot reg-missing "$RUN_KEY" "$RUN_VALUE" reg-hex "$RESUME" "$STAMP" >/dev/null ||
  fail "pending: the RunOnce entry [$ENTRY] and its resume data not left alone, or a Run entry"
mv "$C/ZoMelCD" "$C/ZoMelCD.gone"
# Wine's restart as ExitWindowsEx starts it: RunOnce entries run one by one, each to its end.
timeout 300 "$WINE" wineboot --end-session
wt_log resumed "command line \"/Config $STAMP\", run mode 2" 'Local copy C:\Programme\LumeDax\Tarnwick.exe: removal at the next restart scheduled' \
  'Configuration: ended' 'the program ended, exit code 0'
[ "$(wt_count "$RUN_KEY") $(wt_count "$RUNONCE")" = '0 0' ] && robot reg-missing "$RESUME" "$STAMP" >/dev/null || fail "resumed: a Run or RunOnce value, or the resume data, left"
"$WINE" wineboot --end-session
[ -e "$C/Programme/LumeDax" ] && fail "resumed: the local copy's folder is still there after the next restart"
wt_collect resumed
wt_result unattended
