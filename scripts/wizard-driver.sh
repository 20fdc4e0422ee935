# Sourced by run-demo.sh and benchmark.sh after wine-session.sh: runs the
# wizard in the session's prefix, driven by the test robot (tests/robot) of
# the session's build (WS_ARCH), and reads back what the run left behind.
#
#   wd_demo_run CDROM OUT     full fresh run, screenshots + OUT/pages.txt
#   wd_interactive CDROM      starts the wizard for a person, waits for its end
#   wd_start_to_setup CDROM OUT  drives the wizard up to the running engine setup
#                             and leaves it there (wd_stop ends it)
#   wd_full_run CDROM OUT     full run; sets WD_TOTAL_S, WD_MSIEXEC_S, WD_PAGES
#   wd_installed_packages     the demo engine packages installed in the prefix
#   wd_configuration_outcome  what the server configuration did
#   wd_unix_pid NAME          unix pid of the prefix's Windows process NAME
#   wd_cpu_ticks PID          user+system clock ticks of a unix process
#   wd_stop                   ends what wd_* started and still runs
# On failure the functions return 1 and leave the reason in WD_ERROR.

WD_ERROR=
WD_PIDS=()
WD_WIZ_PID=
WD_PAGES=
WD_TOTAL_S=
WD_MSIEXEC_S=
WD_BUILD=$top/build/win32
[ "$WS_ARCH" = i686 ] || WD_BUILD=$top/build/win64

WD_ROBOT=
wd_find_robot() {
  local f
  for f in "$WD_BUILD/tests/robot/robot.exe" "$WD_BUILD/robot/robot.exe" "$WD_BUILD/robot.exe"; do
    [ -f "$f" ] && { WD_ROBOT=$f; return 0; }
  done
  WD_ERROR="the test robot (tests/robot, robot.exe in $WD_BUILD) is not built yet: nothing can press the wizard's buttons"
  return 1
}

# One robot call; its duration goes to $WD_OUT/robot-times (the benchmark
# reports how much of a run the robot itself took).
wd_robot() {
  local t0=$EPOCHREALTIME
  ws_wine "$WD_ROBOT" "$@" 2>/dev/null | tr -d '\r'
  [ -n "${WD_OUT:-}" ] && [ -d "$WD_OUT" ] && echo "$t0 $EPOCHREALTIME" >> "$WD_OUT/robot-times"
  return 0
}

wd_unix_pid() {
  local name=$1 p c
  for p in /proc/[0-9]*; do
    { c=$(tr '\0' ' ' < "$p/cmdline"); } 2>/dev/null || continue
    case "$c" in
      *"$name"*)
        { tr '\0' '\n' < "$p/environ" | grep -qx "WINEPREFIX=$WINEPREFIX"; } 2>/dev/null || continue
        echo "${p#/proc/}"; return 0 ;;
    esac
  done
  return 1
}

wd_wineserver_pid() {
  local p
  for p in /proc/[0-9]*; do
    case "$(cat "$p/comm" 2>/dev/null)" in
      wineserver*) { tr '\0' '\n' < "$p/environ" | grep -qx "WINEPREFIX=$WINEPREFIX"; } 2>/dev/null && { echo "${p#/proc/}"; return 0; } ;;
    esac
  done
  return 1
}

# utime + stime; the fields after the command name, which may hold blanks
wd_cpu_ticks() {
  [ -n "${1:-}" ] && [ -r "/proc/$1/stat" ] || { echo 0; return; }
  sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}

wd_stop() {
  local p
  for p in "${WD_PIDS[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${WD_PIDS[@]}"; do wait "$p" 2>/dev/null; done
  WD_PIDS=()
  WD_WIZ_PID=
}

# The wizard from the medium in C:\ZoMelCD; the unix pid is the wizard itself.
wd_start_wizard() {
  ( cd "$1" && exec "$WS_WINE" 'C:\ZoMelCD\Tarnwick.exe' ) >/dev/null 2>&1 &
  WD_WIZ_PID=$!
  WD_PIDS+=("$WD_WIZ_PID")
}

# A page's name from its texts (robot dump); the state of the long-running
# pages is part of the name.
wd_page_name() {
  local d=$1
  case "$d" in
    *'label|Welcome!'*) echo "Welcome" ;;
    *'You are now ready to install'*) echo "Ready to install" ;;
    *'Please be patient while SQL Server is installed'*) echo "Engine setup - msiexec running" ;;
    *'successfully installed'*) echo "Engine setup - installed" ;;
    *'Errors occurred durring the install process'*) echo "Engine setup - failed" ;;
    *'Please wait while the Microsoft SQL Server Desktop Engine is configured'*) echo "Configure - running" ;;
    *'successfully configured'*) echo "Configure - configured" ;;
    *'configuration did not complete'*) echo "Configure - incomplete" ;;
    *'label|SQL Manager'*|*'label|Setting '*|*'label|Starting '*)
      printf '%s\n' "$d" | sed -n 's/^label|//p' | grep -v '^Copyright' | head -1 | cut -c1-60 | sed 's/^/Configure - /' ;;
    *) printf '%s\n' "$d" | sed -n 's/^label|//p' | grep -v '^Copyright' | head -1 | cut -c1-60 | sed 's/^/Page: /' ;;
  esac
}

# Presses the buttons a user would until the wizard ends (or, in mode
# "setup", until the engine setup runs). Modes: demo (screenshots), full,
# setup. Writes OUT/pages.txt (one line per page or state seen) and
# OUT/robot.log; sets WD_PAGES.
wd_drive() {  # out, mode, limit in seconds
  local out=$1 mode=$2 limit=$3 n=0 last= name dump box button t0
  mkdir -p "$out"; : > "$out/pages.txt"; : > "$out/robot.log"
  WD_PAGES=
  t0=$SECONDS
  record() {  # name, dump
    n=$((n + 1))
    printf '%02d %s\n' "$n" "$1" >> "$out/pages.txt"
    printf -- '--- %02d %s\n%s\n' "$n" "$1" "$2" >> "$out/robot.log"
    WD_PAGES="${WD_PAGES:+$WD_PAGES, }$1"
    if [ "$mode" = demo ]; then
      import -window root "$out/$(printf '%02d' "$n")-$(printf '%s' "$1" | tr -cs 'A-Za-z0-9' '-' | sed 's/-$//').png" 2>/dev/null
    fi
  }
  while kill -0 "$WD_WIZ_PID" 2>/dev/null; do
    if [ $((SECONDS - t0)) -gt "$limit" ]; then
      WD_ERROR="the wizard did not end within $limit s (last page: ${last:-none}; see $out/robot.log)"
      return 1
    fi
    box=$(wd_robot dump-box)
    if [ "${box#title|}" != "$box" ]; then
      name="Message: $(printf '%s\n' "$box" | sed -n 's/^text|//p' | head -1 | cut -c1-80)"
      [ "$name" != "$last" ] && { record "$name" "$box"; last=$name; }
      # OK where there is one; a question is answered No, so the demo never
      # restarts the machine or cancels.
      for button in OK '&No' '&Yes'; do
        printf '%s\n' "$box" | grep -q "^button|$button|1|" && { wd_robot answer "$button" >> "$out/robot.log"; break; }
      done
      sleep 0.3
      continue
    fi
    dump=$(wd_robot dump) || { sleep 0.3; continue; }
    case "$dump" in caption\|*) ;; *) sleep 0.3; continue ;; esac
    name=$(wd_page_name "$dump")
    [ "$name" != "$last" ] && { record "$name" "$dump"; last=$name; }
    [ "$mode" = setup ] && [ "$name" = "Engine setup - msiexec running" ] && return 0
    if [ "$name" = "Engine setup - failed" ]; then
      WD_ERROR="the engine setup failed (pages: $WD_PAGES; see $out/robot.log)"
      return 1
    fi
    if printf '%s\n' "$dump" | grep -q '^button|&Finish|1|1'; then
      wd_robot click '&Finish' >> "$out/robot.log"
    elif printf '%s\n' "$dump" | grep -q '^button|&Next >|1|1'; then
      wd_robot click '&Next >' >> "$out/robot.log"
    fi
    sleep 0.5
  done
  wait "$WD_WIZ_PID" 2>/dev/null
  WD_WIZ_PID=
  if [ "$mode" = setup ]; then
    WD_ERROR="the wizard ended before its engine setup ran (pages: ${WD_PAGES:-none})"
    return 1
  fi
  case "$last" in
    "Configure - configured"|"Configure - incomplete") return 0 ;;
  esac
  WD_ERROR="the wizard ended on \"${last:-no page}\" (pages: ${WD_PAGES:-none})"
  return 1
}

wd_demo_run() {  # cdrom, out
  wd_find_robot || return 1
  WD_OUT=$2
  wd_start_wizard "$1"
  wd_drive "$2" demo 900
}

wd_interactive() {  # cdrom
  ( cd "$1" && "$WS_WINE" 'C:\ZoMelCD\Tarnwick.exe' )
  local rc=$?
  [ $rc -eq 0 ] || echo "  the wizard ended with exit code $rc"
  return 0
}

wd_start_to_setup() {  # cdrom, out
  wd_find_robot || return 1
  WD_OUT=$2
  wd_start_wizard "$1"
  wd_drive "$2" setup 300
}

# Whole run; msiexec's time is the life of its log file C:\msde_inst.log,
# from its creation to its last write, watched every 20 ms.
wd_full_run() {  # cdrom, out
  wd_find_robot || return 1
  WD_OUT=$2
  local log t0 t1 first= rc
  log=$(ws_unix_path 'C:\msde_inst.log')
  rm -f "$log"
  mkdir -p "$2"
  ( while [ ! -e "$log" ]; do sleep 0.02; done; date +%s.%N > "$2/msiexec-start" ) &
  local watcher=$!
  WD_PIDS+=("$watcher")
  t0=$(date +%s.%N)
  wd_start_wizard "$1"
  wd_drive "$2" full 900
  rc=$?
  t1=$(date +%s.%N)
  kill "$watcher" 2>/dev/null
  [ $rc -eq 0 ] || return 1
  WD_TOTAL_S=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }')
  if [ -f "$2/msiexec-start" ] && [ -f "$log" ]; then
    first=$(cat "$2/msiexec-start")
    WD_MSIEXEC_S=$(awk -v a="$first" -v b="$(stat -c %.9Y "$log")" 'BEGIN { printf "%.2f", b - a }')
  else
    WD_ERROR="msiexec wrote no log"
    return 1
  fi
}

# The hand-off key's six values, as text where they are text, otherwise (the
# scrambled ones) as the bytes in hex.
wd_handoff_values() {  # key
  local name line
  for name in Server Database User Pwd NtAuth MSDE; do
    line=$(wd_robot reg-hex "$1" "$name")
    case "$line" in
      FAIL*|"") echo "  $name: (missing)" ;;
      *) python3 -c '
import sys
name, hexa = sys.argv[1], sys.argv[2]
raw = bytes.fromhex(hexa).rstrip(b"\0")
if raw and all(32 <= b < 127 for b in raw):
    print("  %s = \"%s\"" % (name, raw.decode()))
else:
    print("  %s = bytes %s (scrambled)" % (name, raw.hex(" ").upper()))
' "$name" "${line#* }" ;;
    esac
  done
}

wd_installed_packages() {
  ws_wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/^HKEY/ { key = $0; sub(/.*\\/, "", key) }
         $1 == "DisplayName" && /Tarnwick demo engine/ { n = $NF; printf "  SqlRun%s.msi (%s, product code %s)\n", n, substr($0, index($0, $3)), key }'
}

wd_configuration_outcome() {
  local f found=0
  if [ -f "${WD_OUT:-/nonexistent}/pages.txt" ]; then
    grep -E 'Configure - ' "$WD_OUT/pages.txt" | sed 's/^[0-9]* /  page: /'
    grep '^text|' "$WD_OUT/robot.log" | sed 's/^text|/  message box: /'
  fi
  while IFS= read -r f; do
    found=1
    echo "  server tools' log C:/${f#$WINEPREFIX/drive_c/}:"
    tr -d '\r' < "$f" | sed 's/^/    /'
  done < <(find "$WINEPREFIX/drive_c" -name servertools.log 2>/dev/null)
  [ $found -eq 1 ] || echo "  no server tool was started"
  return 0
}
