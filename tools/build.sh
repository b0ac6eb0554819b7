#!/usr/bin/env bash
# Builds the requested configurations (default: all four) with CMake and Ninja.
#   win    - Orvanta.exe and orvpack.exe, cross-compiled with mingw-w64
#   native - optimised Linux build: orvanta-run, orvpack, unit tests
#   asan   - the native build with AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz   - the libFuzzer targets of tests/fuzz, built with clang
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
configs=("$@")
[ ${#configs[@]} -gt 0 ] || configs=(native win asan fuzz)
jobs=${ORV_JOBS:-$(nproc)}

for c in "${configs[@]}"; do
  dir=build/$c
  if [ ! -f "$dir/build.ninja" ]; then
    case $c in
      win)    args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release) ;;
      native) args=(-DCMAKE_BUILD_TYPE=Release) ;;
      asan)   args=(-DCMAKE_BUILD_TYPE=Debug -DORV_SANITIZE=ON) ;;
      # Optimised a little: fuzzing is about executions per second.
      fuzz)   args=(-DCMAKE_BUILD_TYPE=Debug -DORV_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
                    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1") ;;
      *) echo "build: unknown configuration '$c'" >&2; exit 2 ;;
    esac
    cmake -S . -B "$dir" -G Ninja "${args[@]}" >/dev/null
  fi
  ninja -C "$dir" -j "$jobs" >/dev/null || ninja -C "$dir" -j 1
done
