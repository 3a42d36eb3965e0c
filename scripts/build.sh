#!/usr/bin/env bash
# Configures and builds the three flavours: x64 (Windows, with tests), i686 (shipped 32-bit
# deliverables) and host (Linux tools). Deliverables land in dist/<flavour>/.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$here/build}"
dist="${VELMORA_DIST_DIR:-$here/dist}"
jobs="${VELMORA_JOBS:-$(nproc)}"

# A compiler cache, when the machine has one, shares objects between checkouts of the tree.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=1
fi

configure() {  # flavour, extra args...
  local flavour=$1; shift
  if [ ! -f "$build/$flavour/build.ninja" ]; then
    cmake -S "$here" -B "$build/$flavour" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DVELMORA_FLAVOUR="$flavour" -DVELMORA_DIST_DIR="$dist" "${launcher[@]}" "$@" >/dev/null
  fi
}

configure x64 -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-x86_64.cmake"
configure i686 -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake"
configure host

for flavour in x64 i686 host; do
  cmake --build "$build/$flavour" -j "$jobs" "${@}"
done
