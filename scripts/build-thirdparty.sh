#!/usr/bin/env bash
# Cross-builds minizip (from Debian's source package) and GoogleTest (from Debian's
# googletest sources) for both Windows targets into a prefix outside the source tree.
set -euo pipefail
prefix_root="${VELMORA_THIRDPARTY:-/opt/velmora-thirdparty}"
work="$prefix_root/src"
mkdir -p "$work"

for arch in x86_64 i686; do
  prefix="$prefix_root/$arch"
  cc="$arch-w64-mingw32-gcc-posix"
  cxx="$arch-w64-mingw32-g++-posix"
  ar="$arch-w64-mingw32-ar"

  if [ ! -f "$prefix/lib/libminizip.a" ]; then
    if [ ! -d "$work/minizip" ]; then
      (cd "$work" && rm -rf minizip-src && mkdir minizip-src && cd minizip-src && apt-get source -qq minizip >/dev/null 2>&1)
      src=$(find "$work/minizip-src" -maxdepth 4 -type f -name unzip.c -path '*minizip*' | head -1)
      [ -n "$src" ] || { echo "minizip sources not found" >&2; exit 1; }
      mkdir -p "$work/minizip" && cp "$(dirname "$src")"/{unzip.c,unzip.h,ioapi.c,ioapi.h,iowin32.c,iowin32.h,crypt.h} "$work/minizip/"
    fi
    mkdir -p "$prefix/lib" "$prefix/include/minizip" "$work/build-minizip-$arch"
    (cd "$work/build-minizip-$arch" &&
      for f in unzip ioapi iowin32; do
        "$cc" -O2 -DUNICODE -D_UNICODE -DNOUNCRYPT -c "$work/minizip/$f.c" -o "$f.o"
      done &&
      "$ar" rcs "$prefix/lib/libminizip.a" unzip.o ioapi.o iowin32.o)
    cp "$work/minizip"/{unzip.h,ioapi.h,iowin32.h} "$prefix/include/minizip/"
  fi

  if [ ! -f "$prefix/lib/libgtest.a" ]; then
    rm -rf "$work/build-gtest-$arch"
    cmake -S /usr/src/googletest -B "$work/build-gtest-$arch" -G Ninja \
      -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
      -DCMAKE_RC_COMPILER="$arch-w64-mingw32-windres" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
      -Dgtest_disable_pthreads=OFF -DBUILD_GMOCK=ON >/dev/null
    cmake --build "$work/build-gtest-$arch" >/dev/null
    cmake --install "$work/build-gtest-$arch" >/dev/null
  fi
done
