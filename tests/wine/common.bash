# Sourced by the wine tests: one display and one prefix per script (wt_setup),
# the robot, the wizard's known texts and keys, the helpers below, and the
# clean-up on exit. WINE_BUILD (WINE_ARCH) is the build under test.
: "${WINE_BUILD:?build folder under test}" "${SOURCE_DIR:?source folder}" "${TEST_OUT:?output folder}"
WS_ARCH=${WINE_ARCH:-i686}
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-session.sh"
WINE=$WS_WINE
ROBOT=$WINE_BUILD/tests/robot/robot.exe
WIZ_PID=
WT_FAILURES=0

BOX_TITLE='Custom Database Configuration'
READY='You are now ready to install the desktop version of Microsoft SQL Server.'
QUESTION='This action will cancel any remaining operations.\n\nAre you sure you wish to cancel ?'
INSTALLED='The SQL Server desktop edition has been successfully installed.\n\nClick "Next" to continue.'
SETUP_ERROR='Errors occurred durring the install process.\n\nUnable to continue with server configuration.'
DONE='The SQL Server desktop edition has been successfully configured.\n\nClick "Finish" to exit.'
INCOMPLETE='The SQL Server desktop edition was installed, but its configuration did not complete.\n\nClick "Finish" to exit.'
HANDOFF='HKLM\SOFTWARE\LumeDax\ZoMel\Install\Temp\Parameters'
RUN_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
RUN_VALUE='MSDE Instance Installer'
RUNONCE='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\RunOnce'
RESUME='HKLM\SOFTWARE\LumeDax'
INSTANCES='HKLM\SOFTWARE\Microsoft\Microsoft SQL Server'
CODE01='{E09B48B5-E141-427A-AB0C-D3605127224A}'
CODE02='{689404D2-1C94-44B3-9203-BEC5594FDA7A}'

fail() { echo "FAILED: $*"; WT_FAILURES=$((WT_FAILURES + 1)); }
robot() { "$WINE" "$ROBOT" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
shot() { import -window root "$OUT/$1.png" 2>/dev/null || fail "screenshot $1"; }
need() { local f; for f; do [ -f "$f" ] || { echo "FAILED: $f is not built"; exit 1; }; done; }

wt_setup() {
  OUT=$TEST_OUT/$1
  rm -rf "$OUT"
  mkdir -p "$OUT"
  need "$ROBOT" "$WINE_BUILD/Tarnwick.exe" "$WINE_BUILD/qxMSI_ERR.dll"
  ws_start_display || { echo "FAILED: no display"; exit 1; }
  ws_make_prefix "$OUT/prefix" || { echo "FAILED: no prefix"; exit 1; }
  C=$WINEPREFIX/drive_c
  HOST=$("$WINE" cmd /c echo %COMPUTERNAME% | tr -d '\r')
  PROGRAMS=$(ws_unix_path "$("$WINE" cmd /c echo %ProgramFiles% | tr -d '\r')")
}

wt_medium() {
  local dir=$C/$1
  shift
  mkdir -p "$dir"
  cp "$WINE_BUILD/Tarnwick.exe" "$WINE_BUILD/qxMSI_ERR.dll" "$@" "$dir/"
}

wt_start() {
  local dir=$1
  shift
  (cd "$C/$dir" && exec "$WINE" "C:\\$dir\\Tarnwick.exe" "$@") >/dev/null 2>&1 &
  WIZ_PID=$!
}

wt_ended() {
  local _
  for _ in $(seq 100); do kill -0 "$WIZ_PID" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$WIZ_PID" 2>/dev/null; then fail "$1: the wizard did not end"; kill "$WIZ_PID"; fi
  wait "$WIZ_PID" 2>/dev/null
  WIZ_PID=
}

# Everything a run leaves for a person to read, in one place.
wt_collect() {
  local dir=$OUT/$1 f
  mkdir -p "$dir"
  for f in msde_inst.log msde_wizard.log; do [ -f "$C/$f" ] && cp "$C/$f" "$dir/"; done
  find "$C" -name servertools.log -exec cat {} + > "$dir/servertools.log" 2>/dev/null
  "$WINE" reg query "$HANDOFF" > "$dir/handoff.txt" 2>&1
  "$WINE" reg query "$RESUME" > "$dir/resume.txt" 2>&1
}

wt_count() { "$WINE" reg query "$1" 2>/dev/null | grep -c '    REG_'; }
# The Run entry's command line, without the program's quotes; KEY VALUE for another place.
wt_run_entry() { "$WINE" reg query "${1:-$RUN_KEY}" /v "${2:-$RUN_VALUE}" 2>/dev/null | tr -d '\r' | sed -n 's/^ *!\?MSDE Instance Installer *REG_SZ *//p'; }

# A package's verbose log is UTF-16 on Windows, bytes under Wine.
log_names() { iconv -f UTF-16LE -t UTF-8 "$C/msde_inst.log" 2>/dev/null | grep -q "$1" || grep -aq "$1" "$C/msde_inst.log"; }

# The wizard's log holds the EVENTs in this order, from the last line holding
# the first one on; each of its lines starts with the date and time and ends in CR LF.
wt_log() {  # NAME EVENT...
  local name=$1 why
  shift
  why=$(python3 - "$C/msde_wizard.log" "$@" <<'PY'
import re, sys
try: raw = open(sys.argv[1], "rb").read().decode("latin-1")
except OSError: raw = ""
events, lines = sys.argv[2:], raw.split("\r\n")
bad = [l for l in lines[:-1] if "\n" in l or not re.match(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \S", l)]
i = max([n for n, l in enumerate(lines) if events[0] in l], default=len(lines))
for e in events:
    while i < len(lines) and e not in lines[i]: i += 1
    if i == len(lines): sys.exit(print("no line, in order: " + e))
if bad or not raw.endswith("\r\n"): print("not a time-stamped CR LF line: " + (bad + [raw[-40:]])[0])
PY
)
  [ -z "$why" ] || fail "$name: the wizard's log: $why"
}

# The password in no file the wizard writes and no registry value (the live
# registry, both views; binary values as bytes and UTF-16LE), in both forms:
# only msiexec's log, the engine's own state and the program may hold it.
wt_no_password() {  # NAME PASSWORD
  local root hits pattern
  for root in HKLM HKCU; do "$WINE" reg export $root "$OUT/$1-$root.reg" /y /reg:64 >/dev/null 2>&1 || fail "$1: reg export $root"; done
  pattern=$(printf '%s' "$2" | od -An -v -tx1 | tr -s ' \n' ' ' | sed 's/^ //; s/ $//; s/\([0-9a-f][0-9a-f]\)/\\x\1/g')
  hits=$(grep -rlaP "${pattern// /}|${pattern// /\\x00}\\x00" "$C" | grep -vE '/msde_inst\.log$|\.state$|/Tarnwick\.exe$'
         python3 - "$2" "$OUT/$1"-HK*.reg <<'PY'
import re, sys
pw, key = sys.argv[1], ""
for name in sys.argv[2:]:
    for line in open(name, "rb").read().decode("utf-16").replace("\\\r\n", "").splitlines():
        key = line if line.startswith("[") else key
        m = re.search(r"=hex(\([0-9a-f]+\))?:([0-9a-f, ]*)$", line)
        raw = bytes.fromhex(re.sub("[, ]", "", m.group(2))) if m else b""
        texts = [line, raw.decode("latin-1"), raw.decode("utf-16-le", "replace"), raw[1:].decode("utf-16-le", "replace")]
        if any(pw in t for t in texts): print(key, line.split("=")[0])
PY
)
  [ -z "$hits" ] || fail "$1: the password stands in $hits"
}

wt_result() {
  if [ "$WT_FAILURES" -eq 0 ]; then echo "$1: all checks passed; screenshots and logs in $OUT"; return 0; fi
  echo "$1: $WT_FAILURES check(s) failed; screenshots and logs in $OUT"
  return 1
}

wt_cleanup() {
  [ -n "$WIZ_PID" ] && kill "$WIZ_PID" 2>/dev/null
  ws_cleanup
  return 0
}
trap wt_cleanup EXIT
