#!/usr/bin/env bash
# Builds the three flavours of the same sources:
#   build/win32  i686 release (Tarnwick.exe for 32-bit Windows)
#   build/win64  x86_64, run under wine64 by the tests
#   build/native the wizard's logic on the simulated platform, with the sanitizers
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
cmake -S "$top" -B "$top/build/win32" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
      -DCMAKE_TOOLCHAIN_FILE="$top/cmake/i686-w64-mingw32.cmake" >/dev/null
cmake --build "$top/build/win32" -j "$jobs"
cmake -S "$top" -B "$top/build/win64" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
      -DCMAKE_TOOLCHAIN_FILE="$top/cmake/x86_64-w64-mingw32.cmake" >/dev/null
cmake --build "$top/build/win64" -j "$jobs"
cmake -S "$top" -B "$top/build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DWIN64_BUILD="$top/build/win64" >/dev/null
cmake --build "$top/build/native" -j "$jobs"
