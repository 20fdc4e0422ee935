#!/usr/bin/env bash
# The start of the real wizard under wine64 and Xvfb, checked in Wine's
# registry: an unknown switch shows the list of valid switches and removes
# the Run entry after the message; "/CONFIG <stamp>" reads and deletes the
# stored resume data, removes the Run entry and goes to the configure page.
set -u
: "${WIN64_BUILD:?}" "${TEST_OUT:?}"
OUT="$TEST_OUT/startup_cmdline"
rm -rf "$OUT"; mkdir -p "$OUT"
. "$(dirname "$0")/common.bash"
EXE="$WIN64_BUILD/Tarnwick.exe"
ROBOT="$WIN64_BUILD/tests/robot/robot.exe"
[ -f "$EXE" ] && [ -f "$ROBOT" ] || { echo "FAILED: missing $EXE or $ROBOT"; exit 1; }

export WINEDLLOVERRIDES="mscoree,mshtml="
wt_display 11
WT_REMOVE="$OUT/prefix"
wt_prefix "$OUT/prefix" || { echo "FAILED: wineboot"; exit 1; }

# The wizard runs from its own folder, as from an installation medium.
SETUP="$WINEPREFIX/drive_c/SETUP"
mkdir -p "$SETUP"
cp "$EXE" "$SETUP/Tarnwick.exe"

robot() { $WINE "$ROBOT" "$@"; }
# Waits up to $2 seconds for the wizard started in the background to end.
wait_end() {
  local i
  for i in $(seq 1 $(($2 * 10))); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}

RUN='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
RESUME='HKLM\SOFTWARE\LumeDax'
INVALID='Invalid command line paramiters.\n\nThe following are valid parameters:\n\n/Config <configuration data>\n\n/MSI\n\n/MANUALCONFIG'

# ---- an unknown switch
robot reg-set-sz "$RUN" "MSDE Instance Installer" 'C:\SETUP\TARNWICK.EXE /MSI' \
      reg-set-sz "$RUN" Stranger 'C:\other.exe' >/dev/null || fail "set-up of the Run entries"
$WINE 'C:\SETUP\Tarnwick.exe' /unknown &
WIZ_PID=$!
if robot wait-box 30000 > "$OUT/invalid.txt"; then
  robot dump-box > "$OUT/invalid-box.txt"
  import -window root "$OUT/invalid.png" 2>/dev/null
  robot expect-box "Tarnwick" "$INVALID" || { fail "message box text or title"; cat "$OUT/invalid-box.txt"; }
  # The Run entry goes only after the message.
  robot reg-hex "$RUN" "MSDE Instance Installer" >/dev/null || fail "Run entry removed before the message"
  robot answer OK wait-no-box 10000 >/dev/null || fail "OK did not close the message box"
  wait_end "$WIZ_PID" 20 || fail "the wizard did not end after an invalid command line"
else
  fail "no message box for an unknown switch"; cat "$OUT/invalid.txt"
fi
WIZ_PID=
robot reg-missing "$RUN" "MSDE Instance Installer" || fail "Run entry not removed after an invalid command line"
robot reg-hex "$RUN" Stranger >/dev/null || fail "another program's Run entry was removed"

# ---- a resumed start: "/CONFIG <stamp>" with resume data stored as the
# restart path stores it (scrambled, UTF-16LE, REG_BINARY)
STAMP=46362.5034722222
HEX=$(python3 - <<'EOF'
data = "WINESRV|sa|Pw0rd|False"
k, out = 1, []
for ch in data:
    out.append(ord(ch) ^ k)
    k += 3
    if k > 254:
        k -= 254
if out[-1] == 32:
    out[-1] = 255
print("".join("%02X00" % c for c in out))
EOF
)
robot reg-set-sz "$RUN" "MSDE Instance Installer" "C:\\SETUP\\TARNWICK.EXE /Config $STAMP" >/dev/null || fail "set-up"
$WINE reg add "$RESUME" /v "$STAMP" /t REG_BINARY /d "$HEX" /f >/dev/null 2>&1 || fail "set-up of the resume data"
$WINE reg add "$RESUME" /v 40000.5 /t REG_BINARY /d 4100 /f >/dev/null 2>&1
robot reg-hex "$RESUME" "$STAMP" >/dev/null || fail "resume data not planted"
$WINE 'C:\SETUP\Tarnwick.exe' /CONFIG "$STAMP" &
WIZ_PID=$!
if robot wait-page 30000 > "$OUT/config.txt"; then
  robot dump > "$OUT/config-page.txt"
  import -window root "$OUT/config.png" 2>/dev/null
  robot reg-missing "$RESUME" "$STAMP" || fail "resume data not deleted"
  robot reg-missing "$RUN" "MSDE Instance Installer" || fail "Run entry not removed on a resumed start"
  robot reg-hex "$RESUME" 40000.5 >/dev/null || fail "other resume data was deleted"
  if robot expect-box "Tarnwick" "$INVALID" >/dev/null 2>&1; then fail "the stored data was not accepted"; fi
else
  fail "no page after /CONFIG with stored data"; cat "$OUT/config.txt"
  robot dump-box 2>/dev/null
fi
# The configure page would now work on a server that does not exist here.
kill "$WIZ_PID" 2>/dev/null
WIZ_PID=

wt_result startup_cmdline "$OUT"
