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

usage() {
  cat <<'EOF'
Usage: scripts/try-installer.sh INSTALLER.exe [ARGS...]

Runs INSTALLER.exe under Wine from its own folder, as a double click would, with ARGS as the
installer's arguments (for example -i silent, -i console, -jvmxmx 1024m). Prints what the
self-extractor, the launcher and the Java program print, the unpacked folder and the exit
code, which is also this script's exit status (Linux sees its low 8 bits: -1 shows as 255).

Environment:
  VELMORA_TRY_PREFIX  the Wine prefix of these runs (default build/try-prefix), created on
                      first use; never the tests' prefix
  VELMORA_BUILD_DIR   the build tree that holds try-prefix (default build/)
  DISPLAY             the X display for the progress dialog; without one a private Xvfb is
                      started, which nobody sees
  KIV_DEBUG=true      sea.log in the installer's folder and the launcher's trail on standard error

To look at the dialog, give the run a display of your own and take a screenshot while it shows:
  Xvfb :7 -screen 0 1280x1024x24 &
  DISPLAY=:7 scripts/try-installer.sh MyApp.exe &
  sleep 2; DISPLAY=:7 import -window root dialog.png
(scripts/screenshots/ruvo_dialog.sh makes the README's pictures this way.)
EOF
}
if [ $# -ge 1 ] && { [ "$1" = -h ] || [ "$1" = --help ]; }; then
  usage
  exit 0
fi
if [ $# -lt 1 ]; then
  usage >&2
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

# The arguments as they are passed: each one quoted where a shell would need it.
shown=$(basename "$installer")
for argument in "$@"; do shown+=" $(printf '%q' "$argument")"; done
echo "== running: $shown"
set +e
(cd "$(dirname "$installer")" && /usr/lib/wine/wine64 "./$(basename "$installer")" "$@")
code=$?
set -e
new=$(comm -13 <(printf '%s\n' "$before") <(unpacked) | sed '/^$/d')
while IFS= read -r folder; do if [ -n "$folder" ]; then echo "== unpacked into $folder"; fi; done <<<"$new"
# Linux sees the low 8 bits of the exit code; -1 (nothing was started) arrives as 255.
echo "== exit code: $code$([ "$code" = 255 ] && echo ' (-1 when nothing was started)')"
exit "$code"
