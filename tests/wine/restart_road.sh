#!/usr/bin/env bash
# The wizard's starts and restarts in one prefix, buttons pressed with BM_CLICK
# sent (the README's "Test it" lists the roads). Deadlines are loose, but
# Finish sent must end it within a second.
set -u -o pipefail
. "$(dirname "$0")/common.bash"
OLDMSI=$WINE_BUILD/tests/oldmsi/msi.dll
need "$OLDMSI" "$WINE_BUILD/MSI/INSTMSIW.EXE" "$WINE_BUILD/medium/SqlRun02.msi"
wt_setup restart_road
wt_medium SETUP "$WINE_BUILD"/medium/SqlRun*.msi
# A login's password that nothing else uses, so any copy of it is the wizard's.
PW=Harrow7Tq
# Resume data as the wizard stores it: each character XOR its key (1, 4, 7, ...
# wrapping past 254), as UTF-16LE in hex.
scramble() { python3 -c 'import sys; print("".join(chr(ord(c) ^ 3 * i % 254 + 1) for i, c in enumerate(sys.argv[1])).encode("utf-16-le").hex().upper())' "$1"; }
INVALID='Invalid command line paramiters.\n\nThe following are valid parameters:\n\n/Config <configuration data>\n\n/MSI\n\n/MANUALCONFIG'

# ---- switches
"$WINE" reg add "$RUN_KEY" /v "$RUN_VALUE" /d 'C:\SETUP\TARNWICK.EXE /MSI' /f >/dev/null
"$WINE" reg add "$RUN_KEY" /v Stranger /d 'C:\other.exe' /f >/dev/null
head -c 1048577 /dev/zero | tr '\0' x > "$C/msde_wizard.log"
wt_start SETUP /unknown
robot wait-box 30000 expect-box Tarnwick "$INVALID" || fail "switches: no list of the valid switches"
shot 01-invalid-switch
robot reg-hex "$RUN_KEY" "$RUN_VALUE" >/dev/null || fail "switches: Run entry removed before the message"
robot answer OK >/dev/null
wt_ended switches
[ "$(stat -c %s "$C/msde_wizard.old" 2>/dev/null)" = 1048577 ] || fail "switches: a log past 1 MB was not kept as msde_wizard.old"
wt_log switches 'Start: Tarnwick 1.0.0.0 C:\SETUP\Tarnwick.exe, command line "/unknown", run mode 0' 'End of run: the wizard closed'
robot reg-missing "$RUN_KEY" "$RUN_VALUE" reg-hex "$RUN_KEY" Stranger >/dev/null || fail "switches: the Run entries after the message"
# The settings typed where the message says "/Config <configuration data>":
# refused, and the password they hold is written nowhere.
for typed in "/Config ZoMEL|sa|Qv9secret|False" "/config Qv9secret" "/msi /CONFIGQv9secret|x"; do
  wt_start SETUP $typed
  robot wait-box 30000 answer OK >/dev/null || fail "typed: no list of the valid switches for $typed"
  wt_ended typed
done
wt_no_password typed Qv9secret
wt_start SETUP /manualconfig
robot wait-text "Welcome!" 30000 >/dev/null || fail "switches: /MANUALCONFIG did not show the welcome page"
[ "$(wt_count "$HANDOFF")" = 6 ] || fail "switches: /MANUALCONFIG did not write the hand-off key first"
robot send-click Cancel wait-box 10000 answer "&Yes" wait-gone 5000 >/dev/null || fail "switches: Cancel, Yes"
wt_ended switches
"$WINE" reg delete "$HANDOFF" /f >/dev/null 2>&1

# ---- runtime: a medium in a folder with a blank (short paths matter), an old msi.dll planted in it
MEDIUM="ZoMel Medium"
wt_medium "$MEDIUM" "$OLDMSI"
mkdir -p "$C/$MEDIUM/MSI"
cp "$WINE_BUILD/MSI/INSTMSI.EXE" "$WINE_BUILD/MSI/INSTMSIW.EXE" "$C/$MEDIUM/MSI/"
# An old runtime in the system folder, native for the wizard alone (msiexec keeps Wine's builtin).
SYSMSI=$C/windows/system32/msi.dll
mv "$SYSMSI" "$SYSMSI.wine" && cp "$OLDMSI" "$SYSMSI"
"$WINE" reg add 'HKCU\Software\Wine\AppDefaults\Tarnwick.exe\DllOverrides' /v msi /d native,builtin /f >/dev/null 2>&1
RUNLOG="$C/$MEDIUM/MSI/RUNLOG.TXT"
OFFER='The installation files for the Microsoft SQL Server Desktop Database Engin (MSDE) require a newer version of the Microsoft Installer application (MSI) than the one currently installed on this system.'
runtime() {  # the redistributable ends with 3010
  echo "3010 2000" > "$C/$MEDIUM/MSI/EXITCODE.TXT"
  wt_start "$MEDIUM"
  robot wait-text "Welcome!" 30000 send-click "&Next >" wait-new-page 10000 wait-text "$OFFER" 5000 \
        expect-enabled Cancel 1 expect-enabled "&Next >" 0 expect-enabled "&Finish" 0 expect-enabled "< &Back" 0 \
        mouse "Install MSI" expect-enabled Cancel 0 \
        expect-text 'Please be patient while the Microsoft Installer application is installed on your system....' >/dev/null ||
    { fail "reboot: the runtime page and its Install MSI button"; return 1; }
  shot 02-runtime-reboot
  robot wait-box 10000 >/dev/null || { fail "reboot: no outcome"; return 1; }
  tr -d '\r' < "$RUNLOG" > "$OUT/reboot-runlog.txt" 2>/dev/null
  local want=("program=INSTMSIW.EXE" 'args= /c:"msiinst.exe /i instmsi.msi /qn"' 'note=ok') line
  for line in "${want[@]}"; do grep -qxF "$line" "$OUT/reboot-runlog.txt" || fail "reboot: the redistributable's run lacks [$line]"; done
  [ "$(grep -c '^program=' "$OUT/reboot-runlog.txt")" = 1 ] || fail "reboot: the redistributable did not run once"
  grep -qE '^cwd=C:\\[^ ]*\\MSI$' "$OUT/reboot-runlog.txt" || fail "reboot: working folder not the short form of MSI\\"
}
if runtime; then
  robot expect-box "$BOX_TITLE" 'The Microsoft Installer application was installed successfully.\nThe system must be rebooted before the changes will take effect.\n\nWould you like to reboot your system now?' \
        answer "&Yes" >/dev/null || fail "reboot: the restart question"
fi
wt_ended reboot
mv -f "$SYSMSI.wine" "$SYSMSI"   # a new runtime again: the old msi.dll beside the wizard must not count
# Wine's ExitWindowsEx ends the session and starts what the Run key names.
robot wait-text "Welcome!" 60000 reg-missing "$RUN_KEY" "$RUN_VALUE" >/dev/null || fail "reboot: the Run entry did not start the wizard again"
ps -eo args | grep -qE '^C:\\[^ ]+\\Tarnwick.exe /MSI$' || fail "reboot: the Run entry is not the short program path and /MSI"
robot send-click "&Next >" wait-text "$READY" 10000 send-click Cancel wait-box 10000 answer "&Yes" wait-gone 5000 > "$OUT/planted.txt" ||
  fail "planted: not the ready page after Next (the msi.dll beside the wizard loaded?), Cancel, Yes: $(cat "$OUT/planted.txt")"

# ---- restart: the engine setup asks for a restart
"$WINE" reg add 'HKCU\Software\Wine' /v Version /d winxp /f >/dev/null 2>&1
mkdir -p "$C/Program Files/Microsoft SQL Server/80/Tools/Binn"
"$WINE" "$ROBOT" hold 'C:\Program Files\Microsoft SQL Server\80\Tools\Binn\scm.exe' 600000 > "$OUT/holder.txt" &
HOLDER=$!
QUESTION_3010='The system must be rebooted before the ORV Database installer can continue with the configuration of the MSDE install.\n\nChoose "Yes" to reboot the system now or "No" to reboot later.'
MANUAL='To automatically configure the database server, you must re-start the system with the ORV Database installer CD in the CD-ROM drive.  If the ORV Database installer application is not available when the system re-starts, you will need to run the ORV Database installer application using the "/Config" command line switch to configure the database server.  For more information on the "/Config" switch, see the ORV documentation.\n\nClick "OK" to exit this application.'
to_question() {  # name
  wt_start SETUP
  robot wait-text "Welcome!" 30000 send-click "&Next >" wait-new-page 10000 send-click "&Next >" wait-new-page 10000 \
        wait-text "$QUESTION_3010" 60000 expect-box "$BOX_TITLE" "$QUESTION_3010" || { fail "$1: no restart question"; return 1; }
  shot "03-restart-$1"
  # The resume entries are in place before the question.
  STAMP=$(wt_run_entry | sed -n 's/^C:\\PROG[^\\ ]*\\LumeDax\\Tarnwick.exe \/Config //p')
  [ "${STAMP%%.*}" = "$(python3 -c 'import datetime; print((datetime.date.today() - datetime.date(1899, 12, 30)).days)')" ] ||
    fail "$1: Run entry [$(wt_run_entry)], expected the local copy in the program folder, /Config and today's date serial"
}
if to_question no; then
  STAMP_NO=$STAMP
  robot answer "&No" wait-text "$MANUAL" 5000 expect-box "$BOX_TITLE" "$MANUAL" answer OK wait-gone 5000 >/dev/null ||
    fail "no: the text about restarting by hand"
fi
wt_ended no
wt_log no "Restart road: stamp ${STAMP_NO:-?}, resume data and Run entry written" \
  'Message shown: The system must be rebooted before' '| answer: No' 'Message shown: To automatically configure' \
  'Page Engine setup returned 4' 'End of run: the wizard closed'
# The entry waits for a restart that Wine does not make: a new start would only be told so.
"$WINE" reg delete "$RUN_KEY" /v "$RUN_VALUE" /f >/dev/null
# Another package for the same instance name, still in need of the held file.
"$WINE" reg delete "$INSTANCES\\ZoMEL" /f >/dev/null 2>&1
"$WINE" reg add "$INSTANCES\\OLD\\Setup" /v ProductCode /d "$CODE01" /f >/dev/null 2>&1
if to_question yes; then
  # Saved settings that show in the outcome: a login of the application's own,
  # with the password the engine setup gave sa.
  "$WINE" reg add "$RESUME" /v "$STAMP" /t REG_BINARY /f /d "$(scramble "ZoMEL|zouser|$PW|False|x")" >/dev/null
  sed -i "s/^Login=2|sa|vormasi17/Login=2|sa|$PW/" "$PROGRAMS/Tarnwick Demo Engine"/SqlRun0*/'MSSQL$ZoMEL.state'
  robot answer "&Yes" >/dev/null
fi
wt_ended yes
wt_collect restart
# Wine's ExitWindowsEx ends the session and starts what the Run key names.
robot wait-page 60000 dump > "$OUT/resumed.txt" || fail "resumed: no page after the restart"
grep -qxF 'button|&Next >|0|1' "$OUT/resumed.txt" && ! grep -q '^label|Welcome!' "$OUT/resumed.txt" ||
  fail "resumed: the first page is not the configure page"
robot reg-missing "$RUN_KEY" "$RUN_VALUE" reg-missing "$RESUME" "$STAMP" reg-hex "$RESUME" "${STAMP_NO:-none}" >/dev/null ||
  fail "resumed: the Run entry and this resume data not removed at start, or other resume data removed"
robot wait-text "$DONE" 60000 >"$OUT/resumed-done.txt" || { fail "resumed: $(cat "$OUT/resumed-done.txt")"; robot answer OK >/dev/null; }
shot 04-resumed
robot send-click "&Finish" wait-gone 1000 >/dev/null || fail "resumed: Finish sent"
wt_collect resumed
wt_log yes "Restart road: stamp ${STAMP:-?}, resume data and Run entry written" \
  'Message shown: The system must be rebooted before' '| answer: Yes' 'Restart requested with flags 10: accepted by Windows' \
  'End of run: the program ended' "command line \"/Config ${STAMP:-?}\", run mode 2" 'Page Configure shown' \
  'Configuration: Setting sa password....' 'Configuration: Setting up user login....' \
  'Configuration: Setting user password....' 'Configuration: ended' 'Finish pressed'
# Both packages' engines keep a state; the service runs the first one's.
for line in 'Login=2|sa|ruzal' "Login=2|zouser|$PW" 'Member=sysadmin|zouser'; do
  cat "$PROGRAMS/Tarnwick Demo Engine"/SqlRun0*/'MSSQL$ZoMEL.state' | tr -d '\r' | grep -qxF "$line" ||
    fail "resumed: the instance lacks [$line] (the saved settings: ZoMEL, zouser, $PW, SQL Server logins)"
done

# ---- failures: the service of NOSUCH does not exist
"$WINE" reg add "$RESUME" /v 40000.5 /t REG_BINARY /d 4F004B0054005F004E0058006F0065007800600067005E006300490047005D005400 /f >/dev/null
wt_start SETUP /CONFIG 40000.5
NOSERVER='The following error occured during database configuration: [Microsoft][ODBC SQL Server Driver][DBNETLIB]SQL Server does not exist or access denied. -2147221487'
robot wait-box 60000 expect-box "$BOX_TITLE" "$NOSERVER" >/dev/null || fail "nosuch: no error box: $(robot dump-box)"
shot 05-config-failed
robot answer OK wait-text "$INCOMPLETE" 5000 send-click "&Finish" wait-gone 1000 >/dev/null || fail "nosuch: not the incomplete text, then Finish"
wt_ended nosuch
wt_log nosuch 'command line "/CONFIG 40000.5", run mode 2' 'Configuration: SQL Server service started successfully....' \
  'Configuration: error -2147221487 [Microsoft][ODBC SQL Server Driver][DBNETLIB]SQL Server does not exist or access denied.' \
  "Message shown: $NOSERVER | answer: OK" 'Configuration: ended early' 'Finish pressed'


# ---- win98: the resumed configuration starts the stopped service with scm.exe,
# which the held file kept from its place until a restart Wine does not make.
kill "$HOLDER" && wait "$HOLDER"
cp "$WINE_BUILD/scm.exe" "$PROGRAMS/Microsoft SQL Server/80/Tools/Binn/"
"$WINE" cmd /c net stop 'MSSQL$ZoMEL' >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\Wine' /v Version /d win98 /f >/dev/null
"$WINE" reg add "$RESUME" /v 40001.5 /t REG_BINARY /d "$(scramble 'ZoMEL|sa|ruzal|False|x')" /f >/dev/null
wt_start SETUP /Config 40001.5
robot wait-text "$DONE" 60000 send-click "&Finish" wait-gone 1000 >"$OUT/win98.txt" || fail "win98: $(cat "$OUT/win98.txt")"
wt_ended win98
wt_log win98 'command line "/Config 40001.5", run mode 2, Windows version code 3,' \
  "Configuration: started C:\\" "scm.exe -Action 1 -Silent 1 -Server $HOST -Service MSSQL\$ZoMEL" \
  'Configuration: SQL Server service started successfully....' 'Configuration: ended' 'Finish pressed'
wt_no_password win98 "$PW"

wt_result restart_road
