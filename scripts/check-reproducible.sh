#!/usr/bin/env bash
# Builds the shipped binaries of the last commit twice, from two copies of its sources in two
# different folders, and compares them byte for byte. Exits 1 when any of them differ.
#   scripts/check-reproducible.sh
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
jobs="${VELMORA_JOBS:-2}"
shipped_x64=(quillrun quillrunw quillsetup ruvo-pack hostprobe)
shipped_i686=(ruvo ruvo-pack hostprobe)
files=(x64/quillrun.exe x64/quillrunw.exe x64/quillsetup.exe x64/ruvo-pack.exe x64/Hostprobe.dll i686/ruvo.exe i686/ruvo-pack.exe i686/Hostprobe.dll)

# Reproducible-build tools hand the time of the sources in this variable; the commit's time by default.
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git -C "$here" log -1 --format=%ct)}"
commit="$(git -C "$here" rev-parse --short HEAD)"
work="$(mktemp -d /tmp/velmora-repro.XXXXXX)"
trap 'rm -rf "$work"' EXIT

build_copy() {  # folder
  local top="$work/$1"
  mkdir -p "$top/src"
  git -C "$here" archive --format=tar HEAD | tar -x -C "$top/src"
  for flavour in x64 i686; do
    local toolchain=mingw-x86_64 targets=("${shipped_x64[@]}")
    [ "$flavour" = i686 ] && toolchain=mingw-i686 && targets=("${shipped_i686[@]}")
    local launcher=()
    if command -v ccache >/dev/null; then
      launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    CCACHE_BASEDIR="$top/src" CCACHE_NOHASHDIR=1 cmake -S "$top/src" -B "$top/build/$flavour" -G Ninja \
      -DCMAKE_BUILD_TYPE=Release -DVELMORA_FLAVOUR="$flavour" -DVELMORA_DIST_DIR="$top/dist" \
      -DCMAKE_TOOLCHAIN_FILE="$top/src/cmake/$toolchain.cmake" "${launcher[@]}" >/dev/null
    CCACHE_BASEDIR="$top/src" CCACHE_NOHASHDIR=1 cmake --build "$top/build/$flavour" -j "$jobs" \
      --target "${targets[@]}" >/dev/null
  done
}

echo "building commit $commit twice (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH)"
build_copy first
build_copy second-copy
status=0
for file in "${files[@]}"; do
  a="$work/first/dist/$file" b="$work/second-copy/dist/$file"
  if cmp -s "$a" "$b"; then
    printf '  same       %-22s %10d bytes  %s\n' "$file" "$(stat -c %s "$a")" "$(sha256sum "$a" | cut -c1-16)"
  else
    printf '  DIFFERENT  %-22s\n' "$file"
    cmp -l "$a" "$b" | head -5 | sed 's/^/             /' || true
    status=1
  fi
done
[ $status -eq 0 ] && echo "the shipped binaries are reproducible" || echo "the shipped binaries differ between builds"
exit $status
