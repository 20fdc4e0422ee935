#!/usr/bin/env bash
# The test command: installs what is missing, builds everything, runs every
# test (native unit tests and the wine64 tests) through ctest.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/deps.sh"
bash "$top/scripts/build.sh"
cd "$top/build/native"
ctest --output-on-failure -j 2 "$@"
