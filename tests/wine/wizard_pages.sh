#!/usr/bin/env bash
# The real wizard under wine64 and Xvfb, driven by the test robot: welcome,
# Next, the hand-off key, the ready page, Back, the keyboard, Cancel answered
# No and then Yes. Screenshots of every page go to $TEST_OUT/wizard/.
set -u -o pipefail
: "${WIN64_BUILD:?}" "${SOURCE_DIR:?}" "${TEST_OUT:?}"
OUT="$TEST_OUT/wizard"
mkdir -p "$OUT"
. "$(dirname "$0")/common.bash"
EXE="$WIN64_BUILD/Tarnwick.exe"
ROBOT="$WIN64_BUILD/tests/robot/robot.exe"
[ -f "$EXE" ] && [ -f "$ROBOT" ] || { echo "missing $EXE or $ROBOT"; exit 1; }

wt_display 12
wt_prefix "$TEST_OUT/wizard-prefix" reuse

robot() { $WINE "$ROBOT" "$@" | tr -d '\r'; }
shot() { import -window root "$OUT/$1.png" 2>/dev/null || fail "screenshot $1"; }

KEY='HKLM\SOFTWARE\LumeDax\ZoMel\Install\Temp\Parameters'
RUNONCE='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\RunOnce'
READY='You are now ready to install the desktop version of Microsoft SQL Server.'
QUESTION='This action will cancel any remaining operations.\n\nAre you sure you wish to cancel ?'

# An old restart entry that the welcome page removes, and a stale value of
# the hand-off key that stays.
$WINE reg delete 'HKLM\SOFTWARE\LumeDax' /f >/dev/null 2>&1
robot reg-set-sz "$RUNONCE" ZoMel 'C:\old.exe' reg-set-sz "$KEY" Other kept >/dev/null || fail "set-up"

# ---- first run: welcome, Next, ready, Back, Cancel No, Esc, Cancel Yes
$WINE "$EXE" &
WIZ_PID=$!
robot wait-text "Welcome!" 30000 || fail "welcome page not shown"
robot dump > "$OUT/welcome.txt"
shot welcome
grep -qx 'label|Welcome!' "$OUT/welcome.txt" || fail "welcome label"
grep -qx 'button|< &Back|0|1' "$OUT/welcome.txt" || fail "Back enabled on the welcome page"
grep -qx 'button|&Next >|1|1' "$OUT/welcome.txt" || fail "Next not enabled on the welcome page"
grep -qx 'button|&Finish|0|1' "$OUT/welcome.txt" || fail "Finish enabled on the welcome page"
grep -qx 'button|Cancel|1|1' "$OUT/welcome.txt" || fail "Cancel not enabled"
grep -qx 'label|Copyright (C) LumeDax. All rights reserved.' "$OUT/welcome.txt" || fail "footer"
robot reg-missing "$RUNONCE" ZoMel || fail "RunOnce ZoMel not removed"
robot rect > "$OUT/welcome-rect.txt"
grep -qx 'rect|292 155 796 544' "$OUT/welcome-rect.txt" || fail "first position: $(cat "$OUT/welcome-rect.txt")"

# The user moves the page; the next page opens where it was left.
robot move 200 100 click "&Next >" wait-new-page 10000 wait-text "$READY" 10000 || fail "ready page not shown"
robot dump > "$OUT/ready.txt"
shot ready
robot rect | grep -qx 'rect|200 100 704 489' || fail "ready page not where the welcome page was left"
grep -qx 'button|< &Back|1|1' "$OUT/ready.txt" || fail "Back not enabled on the ready page"
grep -q '^label|Portions of the following Microsoft install application\\nmay take A VERY LONG TIME' "$OUT/ready.txt" ||
  fail "warning text"

# The hand-off key: exactly six values (and the stranger kept), scrambled
# user and password.
robot reg-count "$KEY" > "$OUT/handoff.txt"
for v in Server Database User Pwd NtAuth MSDE; do
  echo "$v $(robot reg-hex "$KEY" $v)" >> "$OUT/handoff.txt" || fail "hand-off value $v missing"
done
grep -qx 'count|7' "$OUT/handoff.txt" || fail "hand-off key: six values plus the old one expected"
grep -Eq '^User 1 E6C2(00)?$' "$OUT/handoff.txt" || fail "User not E6 C2"
grep -Eq '^Pwd 1 ECDEE4DAC2E6D2626E(00)?$' "$OUT/handoff.txt" || fail "Pwd not the doubled codes of vormasi17"
grep -Eq '^Database 1 5A4F4D454C(00)?$' "$OUT/handoff.txt" || fail "Database not ZOMEL"
grep -Eq '^NtAuth 1 30(00)?$' "$OUT/handoff.txt" || fail "NtAuth not 0"
grep -Eq '^MSDE 1 596573(00)?$' "$OUT/handoff.txt" || fail "MSDE not Yes"

# Back shows the ready page again, as a new window.
robot click "< &Back" wait-new-page 10000 expect-text "$READY" || fail "Back did not show the ready page again"
shot ready-again

# Cancel asks; No leaves the page as it was.
robot click Cancel wait-box 5000 || fail "no Cancel question"
robot expect-box "Custom Database Configuration" "$QUESTION" || fail "Cancel question text"
robot dump-box > "$OUT/cancel-box.txt"
shot cancel-question
robot answer "&No" wait-no-box 5000 wait-page 2000 || fail "No did not close the question"
robot dump > "$OUT/ready-after-no.txt"
cmp -s "$OUT/ready-after-no.txt" "$OUT/ready.txt" || fail "the page changed after No"

# Keyboard: Esc asks the same question; F4 and Alt+F4 and a close request
# leave the page open; Alt+F (Finish disabled) does nothing.
robot key 27 wait-box 5000 expect-box "Custom Database Configuration" "$QUESTION" answer "&No" wait-no-box 5000 ||
  fail "Esc did not ask the Cancel question"
robot key 115 key 115 alt close key F alt sleep 500 expect-text "$READY" || fail "the page closed on F4 or a close request"
kill -0 "$WIZ_PID" 2>/dev/null || fail "the wizard ended on F4 or a close request"

# Yes ends the program at once.
robot click Cancel wait-box 5000 answer "&Yes" wait-gone 5000 || fail "Yes did not end the program"
for _ in $(seq 50); do kill -0 "$WIZ_PID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$WIZ_PID" 2>/dev/null && fail "Tarnwick.exe still running after Yes"
WIZ_PID=

# ---- second run: the keyboard's access key and Enter
$WINE "$EXE" &
WIZ_PID=$!
robot wait-text "Welcome!" 30000 || fail "welcome page not shown (second run)"
robot key N alt wait-new-page 10000 wait-text "$READY" 10000 || fail "Alt+N did not go to the ready page"
robot sleep 300 focus | grep -qx 'focus|&Next >' || fail "Next has not the focus on the ready page"
robot key 9 key 9 key 9 sleep 500 focus | grep -qx 'focus|< &Back' || fail "Tab order: Help, Cancel, Back"
robot key 13 wait-new-page 10000 expect-text "$READY" || fail "Enter on Back did not show the ready page again"
robot key 27 wait-box 5000 answer "&Yes" wait-gone 5000 || fail "Esc, Yes did not end the program"
for _ in $(seq 50); do kill -0 "$WIZ_PID" 2>/dev/null || break; sleep 0.1; done
WIZ_PID=

wt_result wizard_pages "$OUT"
