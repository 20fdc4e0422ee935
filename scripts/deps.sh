#!/usr/bin/env bash
# Installs what building and testing need (Debian packages), once.
set -u
need=()
for p in cmake ninja-build g++ wine wine64 libwine-dev g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 \
         wixl msitools xvfb xauth imagemagick x11-utils clang libclang-rt-14-dev; do
  dpkg -s "$p" >/dev/null 2>&1 || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  apt-get update || true      # one stale index must not stop us
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}"
fi
# 32-bit Wine runs the i686 build, which is what ships. Without it the wine
# tests fall back to the x86_64 build (scripts/test.sh says so).
if ! dpkg -s wine32:i386 >/dev/null 2>&1; then
  echo "Installing: wine32:i386"
  { dpkg --add-architecture i386 && { apt-get update || true; } &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends wine32:i386; } ||
    echo "deps: wine32:i386 could not be installed" >&2
fi
