#!/usr/bin/env bash
# Runs a Windows program of the x64 build under Wine, in the build tree's private prefix.
# Used as CMake's cross-compiling emulator, so ctest starts every test through it.
set -e
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/wine-env.sh"
exec /usr/lib/wine/wine64 "$@"
