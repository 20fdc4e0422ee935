#!/usr/bin/env bash
# Builds the flavours of the same sources:
#   build/win32  i686 release (Tarnwick.exe for 32-bit Windows)
#   build/win64  x86_64, only where 32-bit programs cannot run (the wine tests
#                then run it under wine64), or when TARNWICK_WIN64=1
#   build/fuzz   the libFuzzer targets of tests/fuzz, with clang
#   build/native the ctest registrations of the wine and fuzz tests
# WINE_ARCH (i686 or x86_64) chooses the build the wine tests run; by default
# the i686 build where this machine runs 32-bit programs.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/wine-session.sh"
if [ -z "${WINE_ARCH:-}" ]; then
  if ws_runs_32bit; then WINE_ARCH=i686; else WINE_ARCH=x86_64; fi
fi
wine_build=$top/build/win32
[ "$WINE_ARCH" = i686 ] || wine_build=$top/build/win64
jobs=$(nproc)
cmake -S "$top" -B "$top/build/win32" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
      -DCMAKE_TOOLCHAIN_FILE="$top/cmake/i686-w64-mingw32.cmake" >/dev/null
cmake --build "$top/build/win32" -j "$jobs"
if [ "$WINE_ARCH" = x86_64 ] || [ "${TARNWICK_WIN64:-0}" = 1 ]; then
  cmake -S "$top" -B "$top/build/win64" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DCMAKE_TOOLCHAIN_FILE="$top/cmake/x86_64-w64-mingw32.cmake" >/dev/null
  cmake --build "$top/build/win64" -j "$jobs"
fi
cmake -S "$top" -B "$top/build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DTARNWICK_FUZZ=ON >/dev/null
cmake --build "$top/build/fuzz" -j "$jobs"
cmake -S "$top" -B "$top/build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DWINE_BUILD="$wine_build" -DWINE_ARCH="$WINE_ARCH" -DFUZZ_BUILD="$top/build/fuzz" >/dev/null
cmake --build "$top/build/native" -j "$jobs"
