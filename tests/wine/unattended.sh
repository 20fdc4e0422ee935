#!/usr/bin/env bash
# Unattended runs as a distribution tool starts them, judged by exit code: an
# invalid switch (1639), /quiet with no window of any process shown (0), the name
# taken (1603), /passive with no input (0) and with Cancel (1602), a restart
# under /quiet /norestart (3010, then the Run entry: 0) and /quiet; in C:\Programme.
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
wt_log quiet 'unattended: /quiet' 'Page Welcome returned 1' 'SECURITYMODE=SQL /qn /l*v C:\msde_inst.log' \
  'Engine setup: exit code 0, library code 0, result 0' 'Configuration: SQL Manager started successfully....' 'Configuration: ended' 'End of run: the program ended, exit code 0'
"$WINE" sc query 'MSSQL$ZoMEL' | tr -d '\r' | grep -q 'STATE.*RUNNING' || fail 'quiet: service MSSQL$ZoMEL is not running'
[ "$(robot reg-hex 'HKLM\SOFTWARE\Microsoft\Microsoft SQL Server\80\Tools\Service Manager' AutoStart)" = '4 01000000' ] || fail 'quiet: auto-start not ticked'
got=$("$WINE" 'C:\dmoclient.exe' "$HOST\\ZoMEL" sa vormasi17 2>&1 | tr -d '\r')
[ "$got" = OK ] || fail "quiet: no connection with the hand-off login: $got"

quiet taken 1603 /quiet
wt_log taken 'Engine setup: package SqlRun02.msi' 'library code 50043' "Message answered unseen: $TAKEN | answer: OK" \
  'Page Engine setup returned 800000000' 'End of run: the wizard closed, exit code 1603'

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
quiet norestart 3010 /quiet /norestart
ENTRY=$(wt_run_entry)
STAMP=$(printf '%s' "$ENTRY" | sed -n 's/^C:\\ZoMelCD\\Tarnwick.exe \/Config \([0-9.]*\) \/quiet \/norestart$/\1/p')
[ -n "$STAMP" ] || fail "norestart: Run entry [$ENTRY], expected /Config <stamp> /quiet /norestart"
wt_log norestart 'Message answered unseen: The system must be rebooted' '| answer: No' 'exit code 3010'
quiet resumed 0 /Config "$STAMP" /quiet /norestart
wt_log resumed "command line \"/Config $STAMP\", run mode 2" 'Configuration: ended' 'exit code 0'

free_name 3 '{EFB70B01-B1F3-4960-AB69-4A280084A60C}'   # SqlRun03.msi's
tool_start /quiet
# Wine's restart ends the session and starts what the Run key names.
for _ in $(seq 600); do
  sed -n '/Restart requested with flags 10: accepted/,$p' "$C/msde_wizard.log" | grep -aq 'the program ended, exit code 0' && break
  sleep 0.2
done
wt_log restart 'Engine setup: package SqlRun04.msi' 'Restart requested with flags 10: accepted by Windows' 'exit code 3010' \
  'run mode 2, ' 'unattended: /quiet' 'Configuration: ended' 'exit code 0'
wt_collect restart
wt_result unattended
