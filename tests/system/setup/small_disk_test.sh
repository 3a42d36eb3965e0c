#!/usr/bin/env bash
# An upgrade that fills the install volume (a 1 MB tmpfs folder as the install folder's drive):
# exit code 1603 with one line naming the failure, and the previous version installed as before,
# with nothing left beside it. Mounting needs root; without it the test is skipped (exit 77).
#   small_disk_test.sh DIST_DIR TEST_BIN     (VELMORA_WINEPREFIX names the prefix)
set -euo pipefail
dist=$1 bin=$2
here="$(cd "$(dirname "$0")" && pwd)"
[ "$(id -u)" = 0 ] || { echo "skipped: mounting a tmpfs needs root"; exit 77; }
source "$here/../../../cmake/wine-env.sh"
fail() { echo "FAIL: $*" >&2; exit 1; }
disk=$(mktemp -d /tmp/setup-small-disk.XXXXXX)
cleanup() { umount "$disk" 2>/dev/null || true; rmdir "$disk"; }
trap cleanup EXIT
mount -t tmpfs -o size=1m tmpfs "$disk"
user=$(ls "$WINEPREFIX/drive_c/users" | grep -v Public | head -1)
name="Small$$"
target="Z:${disk//\//\\}\\$name"
# run VERSION JAR-BYTES: lays out ruvo's working folder and installs into the small volume.
run() {
  local work="$WINEPREFIX/drive_c/users/$user/Temp/I$$$1"
  mkdir -p "$work/Windows_Pure_64_Bit" "$work/app/lib"
  cp "$dist/quillsetup.exe" "$work/Windows_Pure_64_Bit/setup.exe"
  printf 'app.id=Acme.%s\napp.name=%s\napp.version=%s\napp.launcher=%s.exe\nshortcut.startMenu=false\n' \
    "$name" "$name" "$1" "$name" > "$work/Windows_Pure_64_Bit/setup.settings"
  cp "$bin/setup_test_app.exe" "$work/app/$name.exe"
  echo "core $1" > "$work/app/lib/core.jar"
  head -c "$2" /dev/urandom > "$work/app/lib/big.jar"
  printf 'C:\\users\\%s\\Downloads\\Setup.exe\0' "$user" > "$work/sea_loc"
  local code=0
  (cd "$work" && /usr/lib/wine/wine64 "C:\\users\\$user\\Temp\\I$$$1\\Windows_Pure_64_Bit\\setup.exe" -i silent \
     --install-dir "$target" </dev/null >"$disk.out" 2>&1) || code=$?
  for i in $(seq 50); do [ -e "$work" ] || break; sleep 0.1; done
  [ ! -e "$work" ] || fail "the working folder $work stays"
  return $code
}
run 1.0 100000 || fail "the first install exited with $?"
code=0; run 1.1 3000000 || code=$?
[ "$code" = $((1603 & 255)) ] || fail "the upgrade onto a full volume exited with $code: $(cat "$disk.out")"
grep -q "Setup failed: cannot place the files" "$disk.out" || fail "no line names the failure: $(cat "$disk.out")"
[ "$(cat "$disk/$name/lib/core.jar")" = "core 1.0" ] || fail "the installed version changed"
[ -f "$disk/$name/$name.exe" ] && [ -f "$disk/$name/uninstall.exe" ] || fail "the installed version is incomplete"
[ ! -e "$disk/$name.setup-new" ] && [ ! -e "$disk/$name.setup-old" ] || fail "leftovers beside the install folder"
/usr/lib/wine/wine64 "$target\\uninstall.exe" --uninstall -i silent </dev/null >/dev/null 2>&1 || fail "uninstall exited with $?"
for i in $(seq 50); do [ -e "$disk/$name/uninstall.exe" ] || break; sleep 0.1; done
rm -f "$disk.out"
echo "ok: the full volume left version 1.0 installed"
