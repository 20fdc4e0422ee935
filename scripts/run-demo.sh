#!/usr/bin/env bash
# Runs the whole wizard as it ships, the i686 build, in a 32-bit Wine prefix
# (Windows XP) against the x86 demo medium. Where this machine cannot run
# 32-bit programs it says so and runs the x86_64 build under wine64 instead.
#
# Without a display ($DISPLAY unset) it starts its own Xvfb, presses the
# buttons a user would (tests/robot) and leaves in out/run-demo/ a screenshot
# of every page it passed and report.txt: the pages in order, the package
# installed, the msiexec log, the hand-off key's values and the configuration's
# outcome. With $DISPLAY set it opens the wizard for you to click through and
# writes the same report when the wizard has ended.
#
#   scripts/run-demo.sh [--no-build] [--headless]
# Installs what it needs first (Debian, as root) unless --no-build is given.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
build=1
headless=0
[ -z "${DISPLAY:-}" ] && headless=1
for a in "$@"; do
  case $a in
    --no-build) build=0 ;;
    --headless) headless=1 ;;
    *) echo "usage: $0 [--no-build] [--headless]" >&2; exit 2 ;;
  esac
done
out=$top/out/run-demo
report=$out/report.txt
handoff='HKLM\SOFTWARE\LumeDax\ZoMel\Install\Temp\Parameters'

rm -rf "$out"; mkdir -p "$out"
say() { echo "run-demo: $*"; }
note() { printf '%s\n' "$@" >> "$report"; }
die() {
  echo "run-demo: FAILED: $*" >&2
  note "" "RESULT: FAILED: $*"
  exit 1
}

if [ $build -eq 1 ]; then
  say "installing what is missing and building (scripts/deps.sh, scripts/build.sh)"
  bash "$top/scripts/deps.sh" > "$out/build.log" 2>&1 || die "installing the packages failed (see $out/build.log)"
  bash "$top/scripts/build.sh" >> "$out/build.log" 2>&1 || die "the build failed (see $out/build.log)"
fi
. "$top/scripts/wine-session.sh"
medium=$out/media/demo-x86-standins
build_name='i686 release Tarnwick.exe, 32-bit prefix, Windows XP'
if ! ws_runs_32bit; then
  echo "WARNING: this machine cannot run 32-bit programs: the demo runs the x86_64 build under wine64, not what ships" >&2
  ws_use x86_64
  medium=$out/media/demo-x64-standins
  build_name='x86_64 test build Tarnwick.exe under wine64, 64-bit prefix, Windows XP (not what ships)'
fi
. "$top/scripts/wizard-driver.sh"
trap 'wd_stop; ws_cleanup' EXIT
wd_find_robot || die "$WD_ERROR"

say "laying out the demo medium (scripts/medium.sh)"
bash "$top/scripts/medium.sh" "$out/media" > "$out/medium.log" 2>&1
for f in Tarnwick.exe qxMSI_ERR.dll SqlRun01.msi MSI/INSTMSIW.EXE; do
  [ -f "$medium/$f" ] || die "the demo medium $medium lacks $f (see $out/medium.log)"
done

{
  echo "Tarnwick demo run, $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "Build: $build_name"
  echo "Medium: $medium (copied to C:\\ZoMelCD in the Wine prefix)"
  echo "Mode: $([ $headless -eq 1 ] && echo 'headless (Xvfb, buttons pressed by tests/robot)' || echo "interactive on $DISPLAY")"
} > "$report"

if [ $headless -eq 1 ]; then
  ws_start_display || die "Xvfb did not start"
fi
say "creating the Wine prefix (about 10 s)"
ws_make_prefix "$out/prefix" || die "the Wine prefix could not be created"
cdrom=$(ws_unix_path 'C:\ZoMelCD')
cp -r "$medium" "$cdrom"

if [ $headless -eq 1 ]; then
  say "running the wizard, pressing the buttons (screenshots in $out)"
  wd_demo_run "$cdrom" "$out" || die "the wizard run did not complete: $WD_ERROR"
  note "" "Pages passed (screenshots):"
  cat "$out/pages.txt" >> "$report"
else
  say "the wizard is open on $DISPLAY: click through it; this script waits for it to end"
  wd_interactive "$cdrom" || die "the wizard could not be started: $WD_ERROR"
fi

# What the run left on the machine.
note "" "Package installed:"
installed=$(wd_installed_packages)
note "${installed:-  none}"
# The two logs support asks for, side by side at the root of the first fixed drive.
for name in msde_inst.log msde_wizard.log; do
  log=$(ws_unix_path "C:\\$name")
  note "" "$([ $name = msde_inst.log ] && echo "msiexec's" || echo "the wizard's") log: C:\\$name"
  if [ -f "$log" ]; then
    cp "$log" "$out/$name"
    note "  copied to $out/$name ($(wc -l < "$log") lines)"
  else
    note "  not written"
  fi
done
note "" "The wizard's log:" "$(tr -d '\r' < "$out/msde_wizard.log" 2>/dev/null | sed 's/^/  /')"
note "" "Hand-off key $handoff:"
values=$(wd_handoff_values "$handoff")
note "${values:-  (missing)}"
note "" "Configuration:"
note "$(wd_configuration_outcome)"
[ -z "$installed" ] && die "no engine package was installed"
printf '%s\n' "$values" | grep -q ' = ' || die "the hand-off key was not written"
if [ $headless -eq 1 ]; then
  note "" "RESULT: the wizard ran to its end: $(tail -1 "$out/pages.txt" | cut -d' ' -f2-)"
else
  note "" "RESULT: the wizard has ended"
fi
say "done: $report"
cat "$report"
