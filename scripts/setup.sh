#!/usr/bin/env bash
# Installs what the build and tests need on Debian 12 and builds the cross-compiled
# third-party libraries (minizip, GoogleTest). Idempotent and quick when already done.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
export DEBIAN_FRONTEND=noninteractive

packages=(
  cmake ninja-build make pkg-config
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  libz-mingw-w64-dev
  googletest
  xvfb xauth imagemagick
  # The fonts Wine shows the dialogs in: DejaVu Sans (Latin, Greek, Cyrillic, Hebrew, Arabic),
  # WenQuanYi Micro Hei (Chinese, Japanese, Korean, with Latin letters, which Droid Sans Fallback
  # lacks) and Loma (Thai).
  fonts-dejavu-core fonts-wqy-microhei fonts-tlwg-loma-ttf
  python3 python3-pyftpdlib openssl
  openjdk-17-jdk-headless
  dpkg-dev
  zip unzip p7zip-full time
  clang libclang-rt-14-dev clang-tidy cppcheck zlib1g-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# wine64 without its recommends: they pull 32-bit packages that cannot run here.
dpkg-query -W -f='${Status}' wine64 2>/dev/null | grep -q 'install ok installed' || need_wine=1

sources=/etc/apt/sources.list.d/debian.sources
src_list=/etc/apt/sources.list.d/velmora-src.sources
need_src=0
if [ ! -f "$src_list" ]; then
  cat > "$src_list" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_src=1
fi

if [ ${#missing[@]} -gt 0 ] || [ "${need_wine:-0}" = 1 ] || [ "$need_src" = 1 ]; then
  apt-get update -qq
  [ ${#missing[@]} -gt 0 ] && apt-get install -y -qq "${missing[@]}" >/dev/null
  [ "${need_wine:-0}" = 1 ] && apt-get install -y -qq --no-install-recommends wine64 >/dev/null
fi

"$here/scripts/build-thirdparty.sh"
