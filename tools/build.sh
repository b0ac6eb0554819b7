#!/usr/bin/env bash
# Builds the requested configurations (default: all three) with CMake and Ninja.
#   win    - Orvanta.exe and orvpack.exe, cross-compiled with mingw-w64
#   native - optimised Linux build: orvanta-run, orvpack, unit tests
#   asan   - the native build with AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
configs=("$@")
[ ${#configs[@]} -gt 0 ] || configs=(native win asan)
jobs=${ORV_JOBS:-$(nproc)}

for c in "${configs[@]}"; do
  dir=build/$c
  if [ ! -f "$dir/build.ninja" ]; then
    case $c in
      win)    args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release) ;;
      native) args=(-DCMAKE_BUILD_TYPE=Release) ;;
      asan)   args=(-DCMAKE_BUILD_TYPE=Debug -DORV_SANITIZE=ON) ;;
      *) echo "build: unknown configuration '$c'" >&2; exit 2 ;;
    esac
    cmake -S . -B "$dir" -G Ninja "${args[@]}" >/dev/null
  fi
  ninja -C "$dir" -j "$jobs" >/dev/null || ninja -C "$dir" -j 1
done
