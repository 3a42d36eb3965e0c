#!/usr/bin/env bash
# Runs an installer made with ruvo-pack under Wine, as a user starts it (from its own folder),
# and prints what the self-extractor, the launcher and the application print, then the exit
# code, which is also this script's exit status.
#   scripts/try-installer.sh INSTALLER.exe [ARGS...]
# The runs share a Wine prefix of their own, build/try-prefix (or VELMORA_TRY_PREFIX), created on
# first use; never the tests' prefix. Without a display the run gets a private Xvfb, so that
# the progress dialog of a run without "-i silent" can show.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$here/build}"

if [ $# -lt 1 ] || [ "$1" = -h ] || [ "$1" = --help ]; then
  echo "usage: scripts/try-installer.sh INSTALLER.exe [ARGS...]" >&2
  exit 2
fi
installer=$(realpath -e -- "$1" 2>/dev/null) && [ -f "$installer" ] ||
  { echo "try-installer: $1: no such file" >&2; exit 2; }
shift

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$installer" "$@"
fi

prefix=$(realpath -m -- "${VELMORA_TRY_PREFIX:-$build/try-prefix}")
if [ "$prefix" = "$(realpath -m -- "$build/x64/wineprefix")" ] ||
   { [ -n "${VELMORA_WINEPREFIX:-}" ] && [ "$prefix" = "$(realpath -m -- "$VELMORA_WINEPREFIX")" ]; }; then
  echo "try-installer: $prefix is the tests' prefix; name another in VELMORA_TRY_PREFIX" >&2
  exit 2
fi
export VELMORA_WINEPREFIX="$prefix"
[ -f "$prefix/system.reg" ] || echo "== creating the Wine prefix $prefix (once)"
"$here/cmake/wine-prefix.sh" start
trap '"$here/cmake/wine-prefix.sh" stop' EXIT
source "$here/cmake/wine-env.sh"

# A normal run leaves its unpacked folder (I<number>) in the temporary folder: name it.
temp="$prefix/drive_c/users/${USER:-$(id -un)}/Temp"
unpacked() { find "$temp" -mindepth 1 -maxdepth 1 -type d -name 'I*' 2>/dev/null | sort; }
before=$(unpacked)

echo "== running: $(basename "$installer")${*:+ $*}"
set +e
(cd "$(dirname "$installer")" && /usr/lib/wine/wine64 "./$(basename "$installer")" "$@")
code=$?
set -e
new=$(comm -13 <(printf '%s\n' "$before") <(unpacked) | sed '/^$/d')
while IFS= read -r folder; do if [ -n "$folder" ]; then echo "== unpacked into $folder"; fi; done <<<"$new"
# Linux sees the low 8 bits of the exit code; -1 (nothing was started) arrives as 255.
echo "== exit code: $code$([ "$code" = 255 ] && echo ' (-1 when nothing was started)')"
exit "$code"
