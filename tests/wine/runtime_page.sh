#!/usr/bin/env bash
# The Windows Installer runtime page of the real wizard under wine64 and Xvfb.
# The medium carries an msi.dll that reports version 1.1.1029 (too old), which
# the prefix lets Tarnwick.exe load from its own folder before the system's,
# as Windows does for a library that is not a known system DLL; and the
# stand-in redistributables in MSI\, whose exit code the test chooses.
#   1. Windows XP, exit code 0: the page is offered, the Install MSI button
#      (pressed with a real mouse click) runs MSI\INSTMSIW.EXE with the exact
#      argument in the short form of MSI\, Next leads on to the ready page.
#   2. Windows 98, exit code 1603: MSI\INSTMSI.EXE runs, the failure box, the
#      page offers only Finish, Finish ends the program, no Run entry.
#   3. Windows XP, exit code 3010, restart declined: the reboot box, Finish
#      pressed with Enter, no Run entry.
# Screenshots go to $TEST_OUT/runtime/.
set -u
: "${WIN64_BUILD:?}" "${SOURCE_DIR:?}" "${TEST_OUT:?}"
OUT="$TEST_OUT/runtime"
rm -rf "$OUT"
mkdir -p "$OUT"
. "$(dirname "$0")/common.bash"
EXE="$WIN64_BUILD/Tarnwick.exe"
ROBOT="$WIN64_BUILD/tests/robot/robot.exe"
CLICK="$WIN64_BUILD/tests/mouseclick/mouseclick.exe"
OLDMSI="$WIN64_BUILD/tests/oldmsi/msi.dll"
for f in "$EXE" "$ROBOT" "$CLICK" "$OLDMSI" "$WIN64_BUILD/MSI/INSTMSI.EXE" "$WIN64_BUILD/MSI/INSTMSIW.EXE"; do
  [ -f "$f" ] || { echo "missing $f"; exit 1; }
done

wt_display 16
wt_prefix "$TEST_OUT/runtime-prefix" reuse
# Tarnwick.exe takes msi.dll from its own folder first.
$WINE reg add 'HKCU\Software\Wine\AppDefaults\Tarnwick.exe\DllOverrides' /v msi /d native,builtin /f >/dev/null 2>&1

robot() { $WINE "$ROBOT" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
shot() { import -window root "$OUT/$1.png" 2>/dev/null || fail "screenshot $1"; }

# A medium in a folder with a blank, so that the short paths matter.
MEDIUM="$WINEPREFIX/drive_c/ZoMel Medium"
rm -rf "$MEDIUM"
mkdir -p "$MEDIUM/MSI"
cp "$EXE" "$OLDMSI" "$MEDIUM/"
cp "$WIN64_BUILD/MSI/INSTMSI.EXE" "$WIN64_BUILD/MSI/INSTMSIW.EXE" "$MEDIUM/MSI/"
RUNLOG="$MEDIUM/MSI/RUNLOG.TXT"

RUN_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
WELCOME='Welcome!'
OFFER='The installation files for the Microsoft SQL Server Desktop Database Engin (MSDE) require a newer version of the Microsoft Installer application (MSI) than the one currently installed on this system.'
WAITING='Please be patient while the Microsoft Installer application is installed on your system....'
INSTALLED='The Microsoft Installer application was successfully installed.\n\nClick "Next" to continue.'
UNABLE='Unable to continue.\n\nClick "Finish" to exit.'
NO_REBOOT='Cannot continue without reboot.\n\nClick "Finish" to exit.'
RUN_AGAIN='\n\nPlease run the ORV Database Install application again after rebooting your system.'
REBOOT_Q='The Microsoft Installer application was installed successfully.\nThe system must be rebooted before the changes will take effect.\n\nWould you like to reboot your system now?'
READY='You are now ready to install the desktop version of Microsoft SQL Server.'
TITLE='Custom Database Configuration'
ARGS=' /c:"msiinst.exe /i instmsi.msi /qn"'

# start_run VERSION EXITCODE: a fresh wizard on the given Windows version,
# brought to the runtime page.
start_run() {
  wt_version "$1"
  echo "$2 5000" > "$MEDIUM/MSI/EXITCODE.TXT"
  rm -f "$RUNLOG"
  $WINE reg delete "$RUN_KEY" /v "MSDE Instance Installer" /f >/dev/null 2>&1
  (cd "$MEDIUM" && exec $WINE Tarnwick.exe) &
  WIZ_PID=$!
  robot wait-text "$WELCOME" 30000 click "&Next >" wait-new-page 10000 wait-text "$OFFER" 10000 ||
    { fail "$1: runtime page not shown after the welcome page"; return 1; }
}

# press_install NAME: the Install MSI button, then the waiting state.
press_install() {
  robot expect-enabled "Cancel" 1 expect-enabled "&Next >" 0 expect-enabled "&Finish" 0 \
        expect-enabled "< &Back" 0 >/dev/null || fail "$1: buttons of the offer"
  $WINE "$CLICK" "Install MSI" >/dev/null || { fail "$1: no Install MSI button"; return 1; }
  # The click takes Cancel away first; the setup then runs for 5 s, long
  # enough for the robot to look even on a loaded machine.
  local n
  for n in $(seq 50); do robot expect-enabled "Cancel" 0 >/dev/null && break; sleep 0.1; done
  [ "$n" -lt 50 ] || { fail "$1: Cancel still enabled after the click"; return 1; }
  robot expect-text "$WAITING" expect-enabled "&Next >" 0 expect-enabled "&Finish" 0 >/dev/null ||
    fail "$1: a button is enabled while the setup runs"
}

# ended NAME: the program ends by itself.
ended() {
  for _ in $(seq 100); do kill -0 "$WIZ_PID" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$WIZ_PID" 2>/dev/null; then fail "$1: the wizard did not end"; kill "$WIZ_PID"; fi
  wait "$WIZ_PID" 2>/dev/null
  WIZ_PID=
}

# check_launch NAME PROGRAM: the stand-in ran once, as expected.
check_launch() {
  [ -f "$RUNLOG" ] || { fail "$1: $2 was not started"; return; }
  tr -d '\r' < "$RUNLOG" > "$OUT/$1-runlog.txt"
  [ "$(grep -c '^program=' "$OUT/$1-runlog.txt")" = 1 ] || fail "$1: the redistributable ran more than once"
  grep -qx "program=$2" "$OUT/$1-runlog.txt" || fail "$1: expected $2: $(grep program= "$OUT/$1-runlog.txt")"
  grep -qxF "args=$ARGS" "$OUT/$1-runlog.txt" || fail "$1: argument: $(grep '^note=' "$OUT/$1-runlog.txt")"
  grep -qx 'note=ok' "$OUT/$1-runlog.txt" || fail "$1: $(grep '^note=' "$OUT/$1-runlog.txt")"
  # Working folder: MSI of the medium, in its short form (no blank).
  cwd=$(sed -n 's/^cwd=//p' "$OUT/$1-runlog.txt")
  case "$cwd" in
    *' '*) fail "$1: working folder not shortened: $cwd" ;;
    'C:\'*'\MSI') ;;
    *) fail "$1: working folder: $cwd" ;;
  esac
}

# The stand-in itself refuses a wrong argument, or the checks above prove nothing.
(cd "$MEDIUM/MSI" && $WINE INSTMSIW.EXE /qn >/dev/null 2>&1)
rc=$?
[ "$rc" = $((1639 % 256)) ] || [ "$rc" = 1639 ] || fail "stand-in accepted a wrong argument (exit $rc)"
grep -q '^note=bad argument' "$RUNLOG" 2>/dev/null || fail "stand-in did not log the wrong argument"

# ---- 1. Windows XP, success
if start_run winxp 0; then
  robot dump > "$OUT/xp-offer.txt"
  shot runtime-offer
  grep -qx 'label|Install MSI' "$OUT/xp-offer.txt" || fail "xp: Install MSI button not named"
  if press_install xp; then
    shot runtime-running
    robot wait-text "$INSTALLED" 15000 >/dev/null || fail "xp: no success text"
    robot dump > "$OUT/xp-installed.txt"
    shot runtime-installed
    robot expect-enabled "&Next >" 1 expect-enabled "Cancel" 0 expect-enabled "&Finish" 0 >/dev/null ||
      fail "xp: only Next should be enabled after success"
    robot click "&Next >" wait-new-page 10000 wait-text "$READY" 10000 >/dev/null ||
      fail "xp: Next did not lead on to the ready page"
    shot runtime-then-ready
    check_launch xp INSTMSIW.EXE
  fi
  robot click "Cancel" wait-box 5000 answer "&Yes" >/dev/null 2>&1
  ended xp
fi

# ---- 2. Windows 98, the setup fails
if start_run win98 1603; then
  if press_install win98; then
    robot wait-box 15000 expect-box "$TITLE" "The MSI installation failed.$RUN_AGAIN" >/dev/null ||
      fail "win98: no failure box"
    shot runtime-failed-box
    robot answer "OK" wait-no-box 5000 wait-text "$UNABLE" 5000 >/dev/null || fail "win98: no failure text"
    robot expect-enabled "&Finish" 1 expect-enabled "&Next >" 0 expect-enabled "Cancel" 0 >/dev/null ||
      fail "win98: only Finish should be enabled after a failure"
    shot runtime-failed
    robot click "&Finish" >/dev/null || fail "win98: Finish"
    ended win98
    check_launch win98 INSTMSI.EXE
    robot reg-missing "$RUN_KEY" "MSDE Instance Installer" >/dev/null || fail "win98: Run entry written"
  fi
fi
[ -n "$WIZ_PID" ] && { kill "$WIZ_PID" 2>/dev/null; wait "$WIZ_PID" 2>/dev/null; WIZ_PID=; }

# ---- 3. Windows XP, restart required and declined
if start_run winxp 3010; then
  if press_install reboot; then
    robot wait-box 15000 expect-box "$TITLE" "$REBOOT_Q" >/dev/null || fail "reboot: no restart question"
    shot runtime-reboot-question
    NO_REBOOT_BOX="The install cannot be completed until the system is rebooted.$RUN_AGAIN"
    robot answer "&No" wait-text "$NO_REBOOT_BOX" 5000 expect-box "$TITLE" "$NO_REBOOT_BOX" \
          answer "OK" wait-no-box 5000 wait-text "$NO_REBOOT" 5000 >/dev/null ||
      fail "reboot: declining did not end in the no-reboot state"
    robot expect-enabled "&Finish" 1 expect-enabled "&Next >" 0 >/dev/null || fail "reboot: Finish not offered"
    robot reg-missing "$RUN_KEY" "MSDE Instance Installer" >/dev/null || fail "reboot: Run entry written on No"
    # Finish has the focus: Enter ends the program.
    robot key 13 >/dev/null || fail "reboot: Enter"
    ended reboot
    check_launch reboot INSTMSIW.EXE
  fi
fi
[ -n "$WIZ_PID" ] && { kill "$WIZ_PID" 2>/dev/null; wait "$WIZ_PID" 2>/dev/null; WIZ_PID=; }

wt_result runtime_page "$OUT"
