#!/usr/bin/env bash
# The configure page for real under wine64: demo engine packages install the
# server tool stand-ins and an instance each; the wizard is started with
# "/CONFIG <stamp>" on planted resume data, as after a reboot, and the
# cfgdriver watches the page, answers message boxes and presses Finish.
# Three runs:
#   sql      Windows XP, named instance, SQL Server authentication, sa's setup
#            password empty: everything is set, success text;
#   defaults Windows XP, default instance, the wizard's default answers (user
#            "sa", password vormasi17, which the setup also gave sa): the
#            first login as sa with no password is refused, the error is
#            shown, the page says the configuration did not complete;
#   win98    Windows 98, named instance with Windows authentication: the
#            service is started by scm.exe, sa's password set over a secure
#            connection.
# Needs WIN64_BUILD (Tarnwick.exe, cfgdriver.exe, medium/SqlRun*.msi),
# TEST_OUT for screenshots and logs.
set -u
: "${WIN64_BUILD:?x86_64 build folder}"
TEST_OUT=${TEST_OUT:-/tmp/configure-page-out}
OUT="$TEST_OUT/configure_page"
mkdir -p "$OUT"
. "$(dirname "$0")/common.bash"
W=$WINE
export WINEPREFIX="$OUT/prefix"

wt_need "$WIN64_BUILD/Tarnwick.exe" "$WIN64_BUILD/cfgdriver.exe" "$WIN64_BUILD/medium/SqlRun01.msi" "$WIN64_BUILD/medium/SqlRun03.msi"

# ---- display, prefix, services kept alive ----
wt_display 40
wt_prefix "$WINEPREFIX"
C="$WINEPREFIX/drive_c"
mkdir -p "$C/ZoMelCD"
cp "$WIN64_BUILD/Tarnwick.exe" "$WIN64_BUILD/cfgdriver.exe" "$WIN64_BUILD"/medium/SqlRun0[1-3].msi "$C/ZoMelCD/"
[ -f "$WIN64_BUILD/qxMSI_ERR.dll" ] && cp "$WIN64_BUILD/qxMSI_ERR.dll" "$C/ZoMelCD/"
HOST=$($W cmd /c echo %COMPUTERNAME% | tr -d '\r')
BINN="$C/Program Files/Microsoft SQL Server/80/Tools/Binn"

# ---- helpers ----

install_instance() {   # package, msiexec properties...
  local pkg=$1; shift
  $W msiexec /i "C:\\ZoMelCD\\$pkg" "$@" /qn /l*v "C:\\$pkg.log" >/dev/null 2>&1 \
    || fail "msiexec $pkg $* failed (log in $OUT/$pkg.log)"
  cp "$C/$pkg.log" "$OUT/" 2>/dev/null
}

# The wizard's resume data: the configuration data scrambled, stored as
# UTF-16LE text bytes under HKLM\SOFTWARE\LumeDax, named by the stamp.
plant_resume() {   # stamp, configuration data
  local hex
  hex=$(python3 - "$2" <<'PY'
import sys
b = bytearray(sys.argv[1].encode('cp1252'))
if b and b[-1] == 255: b[-1] = 32
k = 1
for i in range(len(b)):
    b[i] ^= k
    k += 3
    if k > 254: k -= 254
if b and b[-1] == 32: b[-1] = 255
def wide(x):
    try: return bytes([x]).decode('cp1252')
    except UnicodeDecodeError: return chr(x)
print(''.join(wide(x) for x in b).encode('utf-16-le').hex().upper())
PY
)
  $W reg add 'HKLM\SOFTWARE\LumeDax' /v "$1" /t REG_BINARY /d "$hex" /f >/dev/null
}

run_wizard() {   # name, stamp
  local name=$1 stamp=$2 i
  ( cd "$C/ZoMelCD" && $W 'C:\ZoMelCD\Tarnwick.exe' /CONFIG "$stamp" ) >"$OUT/$name.wizard.txt" 2>&1 &
  local wiz=$!
  $W 'C:\ZoMelCD\cfgdriver.exe' 90 1500 >"$OUT/$name.driver.txt" 2>&1 &
  local drv=$!
  for i in $(seq 1 200); do
    grep -q '^FINAL:' "$OUT/$name.driver.txt" 2>/dev/null && { import -window root "$OUT/$name.png" 2>/dev/null; break; }
    kill -0 $drv 2>/dev/null || break
    sleep 0.5
  done
  wait $drv || fail "$name: the driver did not finish the page"
  for i in $(seq 1 40); do kill -0 $wiz 2>/dev/null || break; sleep 0.5; done
  kill -0 $wiz 2>/dev/null && { fail "$name: the wizard still runs after Finish"; kill $wiz; }
  tr -d '\r' <"$OUT/$name.driver.txt" | sed "s/^/  $name| /"
}

expect_line() {   # name, exact line of the driver's output
  tr -d '\r' <"$OUT/$1.driver.txt" | grep -qxF -- "$2" || fail "$1: expected the line [$2]"
}
expect_no() {     # name, pattern
  tr -d '\r' <"$OUT/$1.driver.txt" | grep -q -- "$2" && fail "$1: unexpected [$2]"
}

state_file() { find "$C/Program Files/Tarnwick Demo Engine" -name "$1.state" | head -1; }
expect_state() {  # service, exact line
  local f
  f=$(state_file "$1")
  [ -n "$f" ] || { fail "no state file for $1"; return; }
  tr -d '\r' <"$f" | grep -qxF -- "$2" || { fail "$1 state lacks [$2]:"; tr -d '\r' <"$f" | sed 's/^/    /'; }
}
expect_running() {
  $W sc query "$1" | tr -d '\r' | grep -q 'STATE.*RUNNING' || fail "service $1 is not running"
}

DONE='The SQL Server desktop edition has been successfully configured.\r\n\r\nClick "Finish" to exit.'
INCOMPLETE='The SQL Server desktop edition was installed, but its configuration did not complete.\r\n\r\nClick "Finish" to exit.'

# ---- the three instances, then a restart, as the wizard's /CONFIG road has ----
wt_version winxp
install_instance SqlRun01.msi INSTANCENAME=ZoMEL SECURITYMODE=SQL   # no SAPWD: sa without a password
install_instance SqlRun02.msi SAPWD=vormasi17 SECURITYMODE=SQL
install_instance SqlRun03.msi INSTANCENAME=WINAUTH SAPWD=unknown
expect_state 'MSSQL$ZoMEL' 'Login=2|sa|'
expect_state MSSQLSERVER 'Login=2|sa|vormasi17'
expect_state 'MSSQL$WINAUTH' 'SecurityMode=WINDOWS'
# Right after an install this Wine's service manager may refuse to start the
# new services ("Service database locked"); a restart of the prefix is what
# the wizard's /CONFIG road has anyway.
"$WINESERVER" -k >/dev/null 2>&1
"$WINESERVER" -w >/dev/null 2>&1
"$WINESERVER" -p >/dev/null 2>&1

# ---- sql: named instance, SQL Server authentication ----
plant_resume 46362.5 'ZoMEL|zouser|secret 1|False'
run_wizard sql 46362.5
expect_line sql 'MANAGER: window shown'
# Progress lines replace each other faster than the driver polls, so the
# steps are proven by the server's state below, and their texts natively.
expect_line sql "FINAL: $DONE"
expect_line sql 'BUTTONS: Finish enabled, no other button enabled'
expect_line sql 'FINISH: page closed'
expect_no sql '^MESSAGE:'
expect_running 'MSSQL$ZoMEL'
expect_state 'MSSQL$ZoMEL' 'Login=2|sa|ruzal'
expect_state 'MSSQL$ZoMEL' 'Login=2|zouser|secret 1'
expect_state 'MSSQL$ZoMEL' 'Member=sysadmin|zouser'
$W reg query 'HKLM\SOFTWARE\Microsoft\Microsoft SQL Server\80\Tools\Service Manager' /v AutoStart 2>/dev/null \
  | tr -d '\r' | grep -q 'AutoStart.*0x1' || fail "the service manager's auto-start box was not left ticked"
$W reg query 'HKLM\System\CurrentControlSet\Services\MSSQL$ZoMEL' /v Start | tr -d '\r' | grep -q '0x2' \
  || fail 'MSSQL$ZoMEL does not start with the system'
$W reg query 'HKLM\SOFTWARE\LumeDax' /v 46362.5 >/dev/null 2>&1 && fail "sql: the resume data was not deleted"

# ---- defaults: the wizard's default answers on the default instance ----
plant_resume 46362.6 'default|sa|vormasi17|False'
run_wizard defaults 46362.6
expect_line defaults "MESSAGE: The following error occured during database configuration: [Microsoft][ODBC SQL Server Driver][SQL Server]Login failed for user 'sa'. -2147203048"
expect_line defaults "FINAL: $INCOMPLETE"
expect_no defaults 'LABEL: Setting up user login'
expect_running MSSQLSERVER
expect_state MSSQLSERVER 'Login=2|sa|vormasi17'

# ---- win98: scm.exe starts the service; Windows authentication ----
wt_version win98
plant_resume 46362.7 'WINAUTH|ignored|pw|True'
run_wizard win98 46362.7
wt_version winxp
expect_line win98 "FINAL: $DONE"
expect_no win98 '^MESSAGE:'
expect_no win98 'LABEL: Setting up user login'
expect_running 'MSSQL$WINAUTH'
expect_state 'MSSQL$WINAUTH' 'Login=2|sa|ruzal'
expect_state 'MSSQL$WINAUTH' 'SecurityMode=WINDOWS'
# The tools folder in its short form, so no quotes; the computer's name.
tr -d '\r' <"$BINN/servertools.log" 2>/dev/null \
  | grep -qE "^scm: [^ \"]+scm\.exe -Action 1 -Silent 1 -Server $HOST -Service MSSQL\\\$WINAUTH\$" \
  || { fail "scm.exe was not run with the short tools path and the instance's service"; cat "$BINN/servertools.log" 2>/dev/null; }

wt_result configure_page "$OUT"
