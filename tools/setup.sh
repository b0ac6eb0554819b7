#!/usr/bin/env bash
# Installs what building and testing need, and nothing that is already there,
# so that a second run costs a few dpkg queries.
set -euo pipefail
cd "$(dirname "$0")/.."

APT_PACKAGES=(
  cmake ninja-build g++ python3
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev libz-mingw-w64-dev
  libpcre2-dev zlib1g-dev libgtest-dev
  wine wine64 xvfb xdotool x11-utils imagemagick fonts-wine
  dpkg-dev
  lua5.4 time valgrind
  clang libclang-rt-14-dev
)

missing=()
for p in "${APT_PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

SUDO=""
[ "$(id -u)" = 0 ] || SUDO="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# PCRE2 for the Windows build: Debian ships no mingw build of it, so it is
# compiled from Debian's own source package with the cross toolchain.
PCRE2_VERSION=10.42
PCRE2_DEB=10.42-1
DEPS=build/deps/mingw
# The stamp names the build's settings: a library built with other ones
# (an older one without the JIT compiler) is built again.
PCRE2_STAMP="$DEPS/pcre2-$PCRE2_VERSION-jit.stamp"
if [ ! -f "$DEPS/lib/libpcre2-16.a" ] || [ ! -f "$PCRE2_STAMP" ]; then
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    echo "setup: adding deb-src entries, the machine's own package sources, for the pcre2 source package"
    tools/source-entries.py | $SUDO tee /etc/apt/sources.list.d/orvanta-src.sources >/dev/null
    $SUDO apt-get update -q
  fi
  src=build/deps/src
  rm -rf "$src" && mkdir -p "$src"
  (cd "$src" && apt-get source -q --download-only "pcre2=$PCRE2_DEB" && dpkg-source -x --no-check pcre2_*.dsc pcre2 >/dev/null)
  mkdir -p "$src/pcre2/build-mingw"
  (cd "$src/pcre2/build-mingw" &&
    cmake .. -G Ninja -DCMAKE_SYSTEM_NAME=Windows \
      -DCMAKE_C_COMPILER=x86_64-w64-mingw32-gcc-posix \
      -DCMAKE_RC_COMPILER=x86_64-w64-mingw32-windres \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PWD/../../../mingw" \
      -DBUILD_SHARED_LIBS=OFF -DPCRE2_BUILD_PCRE2_8=OFF -DPCRE2_BUILD_PCRE2_16=ON \
      -DPCRE2_SUPPORT_UNICODE=ON -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF \
      -DPCRE2_SUPPORT_JIT=ON >/dev/null &&
    ninja install >/dev/null)
  rm -rf "$src"
  touch "$PCRE2_STAMP"
  echo "setup: pcre2 $PCRE2_VERSION (16-bit) built for mingw in $DEPS"
fi
