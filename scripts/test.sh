#!/usr/bin/env bash
# The test command: installs what is missing, builds everything, runs every
# test (the wine tests on the i686 build, and the fuzz targets) through ctest.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/deps.sh"
. "$top/scripts/wine-session.sh"
if ws_runs_32bit; then export WINE_ARCH=i686; else export WINE_ARCH=x86_64; fi
bash "$top/scripts/build.sh"
[ "$WINE_ARCH" = i686 ] ||
  echo "WARNING: this machine cannot run 32-bit programs: the wine tests run the x86_64 build under wine64, not what ships"
cd "$top/build/native"
ctest --output-on-failure -j 2 "$@"
