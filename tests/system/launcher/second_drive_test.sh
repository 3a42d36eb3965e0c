#!/usr/bin/env bash
# Maps a second fixed drive into the test prefix, runs the drive-hint test with it, and
# removes the mapping again. Wine sees a new dosdevices link only after its server restarts,
# so the persistent server is restarted on the way in and on the way out; ctest runs this
# test alone (RUN_SERIAL).
#   second_drive_test.sh LETTER LINUX_FOLDER TEST_EXE
set -euo pipefail
here="$(cd "$(dirname "$0")/../../.." && pwd)"
source "$here/cmake/wine-env.sh"
letter="${1,,}"
folder="$2"
test_exe="$3"
link="$WINEPREFIX/dosdevices/$letter:"

restart_server() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  /usr/lib/wine/wineserver -w 2>/dev/null || true
  /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
  /usr/lib/wine/wine64 cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
}

if [ -e "$link" ] || [ -L "$link" ]; then
  echo "drive $letter: is already mapped in $WINEPREFIX; not touching it" >&2
  exit 1
fi
rm -rf "$folder"
mkdir -p "$folder"
cleanup() {
  rm -f "$link"
  rm -rf "$folder"
  restart_server
}
trap cleanup EXIT
ln -s "$folder" "$link"
restart_server
VELMORA_SECOND_DRIVE="${letter^^}:" /usr/lib/wine/wine64 "$test_exe" --gtest_color=no
