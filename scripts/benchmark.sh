#!/usr/bin/env bash
# Measures the wizard against its targets and prints the figures side by side:
#   1. size of the i686 Tarnwick.exe and qxMSI_ERR.dll (stripped);
#   2. time from process start to the welcome page on screen, under Wine;
#   3. the wizard's own CPU use while it waits 60 s for a setup that does
#      nothing (msiexec replaced by a program that sleeps);
#   4. the time the whole wizard takes beyond msiexec's own time.
# Run by hand after scripts/build.sh; not part of the tests. Runs the i686
# build in a 32-bit prefix (the x86_64 build under wine64 where 32-bit
# programs cannot run), with its own Xvfb display (out/benchmark/).
#
#   scripts/benchmark.sh [--runs N] [--wait SECONDS]
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
runs=5
wait_s=60
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --wait) wait_s=$2; shift 2 ;;
    *) echo "usage: $0 [--runs N] [--wait SECONDS]" >&2; exit 2 ;;
  esac
done
win32=${WIN32_BUILD:-$top/build/win32}
work=$top/out/benchmark
media=$work/media
. "$top/scripts/wine-session.sh"
run_build=$win32
medium_name=demo-x86-standins
if ! ws_runs_32bit; then
  echo "WARNING: this machine cannot run 32-bit programs: the timings are the x86_64 build's under wine64, not what ships" >&2
  ws_use x86_64
  run_build=${WIN64_BUILD:-$top/build/win64}
  medium_name=demo-x64-standins
fi
. "$top/scripts/wizard-driver.sh"
trap 'wd_stop; ws_cleanup' EXIT

declare -a rows
row() { rows+=("$(printf '%-44s %14s %14s  %s' "$1" "$2" "$3" "$4")"); }
verdict() { awk -v m="$1" -v t="$2" 'BEGIN { if (m == "" || m == "-") print "not measured"; else print (m + 0 <= t + 0) ? "ok" : "MISSED" }'; }
print_rows() {
  printf '\n%-44s %14s %14s  %s\n' "Figure" "Measured" "Target" "Verdict"
  printf '%s\n' "${rows[@]}"
}

# ---- 1. sizes ----
size_kb() { [ -f "$1" ] && awk -v b="$(stat -c %s "$1")" 'BEGIN { printf "%.1f", b / 1024 }' || echo "-"; }
exe_kb=$(size_kb "$win32/Tarnwick.exe")
dll_kb=$(size_kb "$win32/qxMSI_ERR.dll")
row "Tarnwick.exe, i686, stripped (KB)" "$exe_kb" "160" "$(verdict "$exe_kb" 160)"
row "qxMSI_ERR.dll, i686 (KB)" "$dll_kb" "24" "$(verdict "$dll_kb" 24)"

# ---- the wizard under Wine ($WS_ARCH build) ----
rm -rf "$work"; mkdir -p "$work"
if ! bash "$top/scripts/medium.sh" "$media" >"$work/medium.log" 2>&1; then
  echo "benchmark: the demo medium is incomplete (see $work/medium.log); measuring what there is" >&2
fi
medium=$media/$medium_name
probe=$run_build/tests/robot/robot.exe
# The scenario program under the name msiexec.exe is a setup that only waits.
sleeper=$run_build/tests/scenarios/scenarios.exe
can_run=1
for f in "$medium/Tarnwick.exe" "$probe" "$sleeper"; do
  [ -f "$f" ] || { echo "benchmark: missing $f (build with scripts/build.sh)" >&2; can_run=0; }
done
startup_ms=-
baseline_ms=-
cpu_pct=-
beyond_s=-
robot_s=-
if [ $can_run -eq 1 ]; then
  ws_start_display || exit 1
  ws_make_prefix "$work/prefix" || exit 1
  cdrom=$(ws_unix_path 'C:\ZoMelCD')
  cp -r "$medium" "$cdrom"
  cp "$probe" "$(ws_unix_path 'C:\')"

  # ---- 2. start to welcome page: one warm-up, then the median of $runs,
  # alternating with Wine's own notepad (Wine's start-up cost on this
  # machine, at its present load) ----
  probe_ms() {  # program -> ms or nothing
    (cd "$cdrom" && ws_wine 'C:\robot.exe' first-window "$1" 20000 2>/dev/null) | tr -d '\r' |
      sed -n 's/^first-window-ms|//p'
  }
  median() { sort -n | awk '{ a[NR] = $1 } END { if (NR) print a[int((NR + 1) / 2)] }'; }
  times=(); base=()
  for i in $(seq 0 "$runs"); do
    t=$(probe_ms 'C:\ZoMelCD\Tarnwick.exe'); b=$(probe_ms notepad.exe)
    [ "$i" -gt 0 ] && [ -n "$t" ] && times+=("$t")
    [ "$i" -gt 0 ] && [ -n "$b" ] && base+=("$b")
  done
  [ ${#times[@]} -gt 0 ] && startup_ms=$(printf '%s\n' "${times[@]}" | median)
  [ ${#base[@]} -gt 0 ] && baseline_ms=$(printf '%s\n' "${base[@]}" | median)
  echo "start to first window (ms): wizard ${times[*]}; notepad ${base[*]}; load average $(cut -d' ' -f1-3 /proc/loadavg)"

  # ---- 4. (run before 3) the whole wizard beyond msiexec's own time: the real msiexec
  # installs SqlRun01; the sleeping stand-in of step 3 then takes the next package ----
  if wd_full_run "$cdrom" "$work/full-run"; then
    beyond_s=$(awk -v t="$WD_TOTAL_S" -v m="$WD_MSIEXEC_S" 'BEGIN { printf "%.2f", t - m }')
    robot_s=$(awk '{ s += $2 - $1 } END { printf "%.2f", s }' "$work/full-run/robot-times" 2>/dev/null)
    echo "whole run: ${WD_TOTAL_S} s, msiexec ${WD_MSIEXEC_S} s, robot calls ${robot_s} s (pages: ${WD_PAGES:-?})"
  else
    echo "benchmark: the whole-wizard run did not complete (see $work/full-run)" >&2
  fi
  # ---- 3. CPU while waiting for a setup that sleeps ----
  msiexec=$(ws_unix_path 'C:\windows\system32\msiexec.exe')
  cp "$msiexec" "$work/msiexec.exe.orig"
  cp "$sleeper" "$msiexec"
  # Wine runs its own msiexec from system32 unless told to take the file there.
  ws_wine reg add 'HKCU\Software\Wine\DllOverrides' /v msiexec.exe /d native /f >/dev/null 2>&1
  echo "0 0 $((wait_s * 1000))" > "$(dirname "$msiexec")/result.txt"   # exit code, library code, ms
  # The wizard's log marks the start of the setup and its end.
  wlog=$(ws_unix_path 'C:\msde_wizard.log')
  rm -f "$wlog"
  if wd_start_to_setup "$cdrom" "$work/cpu-run"; then
    for i in $(seq 1 600); do grep -aq 'msiexec.exe /i' "$wlog" 2>/dev/null && break; sleep 0.1; done
    wpid=$WD_WIZ_PID
    if grep -aq 'msiexec.exe /i' "$wlog" 2>/dev/null && [ -n "$wpid" ]; then
      c0=$(wd_cpu_ticks "$wpid"); s0=$(wd_cpu_ticks "$(wd_wineserver_pid)"); w0=$(date +%s.%N)
      for i in $(seq 1 $((wait_s * 10 + 300))); do grep -aq 'Engine setup: exit code' "$wlog" && break; sleep 0.1; done
      c1=$(wd_cpu_ticks "$wpid"); s1=$(wd_cpu_ticks "$(wd_wineserver_pid)"); w1=$(date +%s.%N)
      hz=$(getconf CLK_TCK)
      cpu_pct=$(awk -v a="$c0" -v b="$c1" -v x="$w0" -v y="$w1" -v hz="$hz" 'BEGIN { printf "%.2f", (b - a) / hz / (y - x) * 100 }')
      srv_pct=$(awk -v a="$s0" -v b="$s1" -v x="$w0" -v y="$w1" -v hz="$hz" 'BEGIN { printf "%.2f", (b - a) / hz / (y - x) * 100 }')
      echo "waiting: wizard $(( c1 - c0 )) ticks over $(awk -v x="$w0" -v y="$w1" 'BEGIN { printf "%.1f", y - x }') s; wineserver ${srv_pct} % of a core meanwhile"
    else
      echo "benchmark: the stand-in setup was not started by the wizard (see $work/cpu-run)" >&2
    fi
  else
    echo "benchmark: could not drive the wizard to the setup page (see $work/cpu-run)" >&2
  fi
  wd_stop
  cp "$work/msiexec.exe.orig" "$msiexec"
  ws_wine reg delete 'HKCU\Software\Wine\DllOverrides' /v msiexec.exe /f >/dev/null 2>&1

fi
row "start to welcome page, $WS_ARCH under Wine (ms)" "$startup_ms" "300" "$(verdict "$startup_ms" 300)"
row "  same, Wine's notepad (ms)" "$baseline_ms" "-" "(Wine's own start-up here)"
row "CPU while waiting ${wait_s} s for setup (%)" "$cpu_pct" "0.5" "$(verdict "$cpu_pct" 0.5)"
row "whole wizard beyond msiexec (s)" "$beyond_s" "-" "(no target)"
row "  of it, the robot pressing the buttons (s)" "$robot_s" "-" "(test harness, not the wizard)"
print_rows
