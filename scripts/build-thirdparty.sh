#!/usr/bin/env bash
# Cross-builds zlib and minizip (from Debian's source packages) and GoogleTest (from Debian's
# googletest sources) for both Windows targets into a prefix outside the source tree; zlib
# also natively (host/), for the fuzz build, so that it exercises the inflater the stub ships.
set -euo pipefail
prefix_root="${VELMORA_THIRDPARTY:-/opt/velmora-thirdparty}"
work="$prefix_root/src"
mkdir -p "$work"

zlib_objects=(adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees
              uncompr zutil)
# Built for size, one section per function so that a link keeps only what it calls, and
# without unwind tables: zlib never throws, and the stub carries no unwinder. The CRC tables
# are computed on first use (thread-safe in this version) rather than stored, 5 KB less per
# binary; no -fdata-sections, which on Windows targets moves zero-filled tables out of .bss
# into file-backed data.
zlib_flags=(-Os -ffunction-sections -fno-asynchronous-unwind-tables -fno-unwind-tables -DDYNAMIC_CRC_TABLE -DBUILDFIXED)
build_zlib() {  # prefix, C compiler, archiver, extra flags...
  local prefix=$1 cc=$2 ar=$3; shift 3
  local stamp="${zlib_flags[*]} $*"
  # Rebuilt when its flags change (a stamp beside the library says which it was built with).
  [ -f "$prefix/lib/libz.a" ] && [ "$(cat "$prefix/lib/libz.flags" 2>/dev/null)" = "$stamp" ] && return 0
  if [ ! -f "$work/zlib/zlib.h" ]; then
    (cd "$work" && rm -rf zlib-src && mkdir zlib-src && cd zlib-src && apt-get source -qq zlib >/dev/null 2>&1)
    local header
    header=$(find "$work/zlib-src" -maxdepth 2 -type f -name zlib.h | head -1)
    [ -n "$header" ] || { echo "zlib sources not found" >&2; exit 1; }
    rm -rf "$work/zlib.tmp" && mkdir -p "$work/zlib.tmp"
    cp "$(dirname "$header")"/*.[ch] "$work/zlib.tmp/" && mv "$work/zlib.tmp" "$work/zlib"
  fi
  local objects="$work/build-zlib-$(basename "$prefix")"
  rm -rf "$objects" && mkdir -p "$objects" "$prefix/lib" "$prefix/include"
  for f in "${zlib_objects[@]}"; do
    "$cc" "${zlib_flags[@]}" "$@" -I"$work/zlib" -c "$work/zlib/$f.c" -o "$objects/$f.o"
  done
  (cd "$objects" && "$ar" rcs libz.a "${zlib_objects[@]/%/.o}")
  cp "$work/zlib"/{zlib.h,zconf.h} "$prefix/include/"
  mv "$objects/libz.a" "$prefix/lib/libz.a"
  echo "$stamp" > "$prefix/lib/libz.flags"
}
build_zlib "$prefix_root/host" cc ar -fPIC -DHAVE_UNISTD_H

for arch in x86_64 i686; do
  prefix="$prefix_root/$arch"
  cc="$arch-w64-mingw32-gcc-posix"
  cxx="$arch-w64-mingw32-g++-posix"
  ar="$arch-w64-mingw32-ar"
  build_zlib "$prefix" "$cc" "$ar"

  # Rebuilt when its flags change (a stamp beside the library says which it was built with).
  minizip_flags="-Os -ffunction-sections -fdata-sections -DUNICODE -D_UNICODE -DNOUNCRYPT"
  if [ ! -f "$prefix/lib/libminizip.a" ] || [ "$(cat "$prefix/lib/libminizip.flags" 2>/dev/null)" != "$minizip_flags" ]; then
    if [ ! -d "$work/minizip" ]; then
      (cd "$work" && rm -rf minizip-src && mkdir minizip-src && cd minizip-src && apt-get source -qq minizip >/dev/null 2>&1)
      src=$(find "$work/minizip-src" -maxdepth 4 -type f -name unzip.c -path '*minizip*' | head -1)
      [ -n "$src" ] || { echo "minizip sources not found" >&2; exit 1; }
      mkdir -p "$work/minizip" && cp "$(dirname "$src")"/{unzip.c,unzip.h,ioapi.c,ioapi.h,iowin32.c,iowin32.h,crypt.h} "$work/minizip/"
    fi
    mkdir -p "$prefix/lib" "$prefix/include/minizip" "$work/build-minizip-$arch"
    (cd "$work/build-minizip-$arch" &&
      for f in unzip ioapi iowin32; do
        # shellcheck disable=SC2086 # the flags are words
        "$cc" $minizip_flags -I"$prefix/include" -c "$work/minizip/$f.c" -o "$f.o"
      done &&
      rm -f libminizip.a && "$ar" rcs libminizip.a unzip.o ioapi.o iowin32.o &&
      mv libminizip.a "$prefix/lib/libminizip.a")
    cp "$work/minizip"/{unzip.h,ioapi.h,iowin32.h} "$prefix/include/minizip/"
    echo "$minizip_flags" > "$prefix/lib/libminizip.flags"
  fi

  # minizip's own extractor, for comparing the archive engine with it (scripts/bench/).
  if [ "$arch" = x86_64 ] && [ ! -f "$prefix/bin/miniunz.exe" ]; then
    src=$(find "$work/minizip-src" -maxdepth 4 -type f -name miniunz.c | head -1)
    [ -n "$src" ] || { echo "miniunz.c not found in the minizip sources" >&2; exit 1; }
    mkdir -p "$prefix/bin"
    "$cc" -O2 -s -w -I"$prefix/include" -I"$(dirname "$src")" "$src" "$work/build-minizip-$arch"/{unzip,ioapi,iowin32}.o \
      "$prefix/lib/libz.a" -o "$prefix/bin/miniunz.exe.tmp" && mv "$prefix/bin/miniunz.exe.tmp" "$prefix/bin/miniunz.exe"
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
