#!/usr/bin/env bash
# The engine's shortcuts read back by readers of our own neither: lnkinfo (liblnk) for target,
# icon and start folder, and a reader of the property store block (MS-PROPSTORE) for the
# AppUserModelID, which this lnkinfo does not print. Start menu and desktop, then uninstalled.
#   shortcut_reader_test.sh DIST_DIR TEST_BIN     (VELMORA_WINEPREFIX names the prefix)
set -euo pipefail
dist=$1 bin=$2
here="$(cd "$(dirname "$0")" && pwd)"
command -v lnkinfo >/dev/null || { echo "skipped: lnkinfo (liblnk-utils) is missing"; exit 77; }
source "$here/../../../cmake/wine-env.sh"
fail() { echo "FAIL: $*" >&2; exit 1; }
user=$(ls "$WINEPREFIX/drive_c/users" | grep -v Public | head -1)
home="$WINEPREFIX/drive_c/users/$user"
name="Reader$$"
id="Acme.$name"
work="$home/Temp/I$$"
mkdir -p "$work/Windows_Pure_64_Bit" "$work/app/lib"
cp "$dist/quillsetup.exe" "$work/Windows_Pure_64_Bit/setup.exe"
printf 'app.id=%s\napp.name=%s\napp.version=2.5\napp.vendor=Acme\napp.launcher=%s.exe\nshortcut.desktop=true\nlaunch.afterInstall=false\n' \
  "$id" "$name" "$name" > "$work/Windows_Pure_64_Bit/setup.settings"
cp "$bin/setup_test_app.exe" "$work/app/$name.exe"
echo jar > "$work/app/lib/a.jar"
printf 'C:\\users\\%s\\Downloads\\Setup.exe\0' "$user" > "$work/sea_loc"
(cd "$work" && /usr/lib/wine/wine64 "C:\\users\\$user\\Temp\\I$$\\Windows_Pure_64_Bit\\setup.exe" -i silent </dev/null >/dev/null 2>&1) ||
  fail "setup exited with $?"
folder="C:\\users\\$user\\AppData\\Local\\Programs\\$name"
for link in "$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$name.lnk" "$home/Desktop/$name.lnk"; do
  [ -f "$link" ] || fail "no shortcut $link"
  info=$(lnkinfo "$link")
  for line in "Local path			: $folder\\$name.exe" "Icon location			: $folder\\$name.exe" \
              "Working directory		: $folder"; do
    grep -qF "$line" <<<"$info" || fail "$link: lnkinfo shows no \"$line\":"$'\n'"$info"
  done
  python3 - "$link" "$id" <<'PY' || fail "$link: no AppUserModelID $id"
import struct, sys, uuid
data = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", data, 0x14)[0]
at = 0x4C
if flags & 1: at += 2 + struct.unpack_from("<H", data, at)[0]
if flags & 2: at += struct.unpack_from("<I", data, at)[0]
for bit in (4, 8, 16, 32, 64):
    if flags & bit: at += 2 + struct.unpack_from("<H", data, at)[0] * (2 if flags & 0x80 else 1)
found = None
while True:
    size = struct.unpack_from("<I", data, at)[0]
    if size < 4: break
    if struct.unpack_from("<I", data, at + 4)[0] == 0xA0000009:
        p = at + 8
        while True:
            ssize = struct.unpack_from("<I", data, p)[0]
            if ssize == 0: break
            fmt = uuid.UUID(bytes_le=data[p + 8:p + 24])
            v = p + 24
            while True:
                vsize, pid = struct.unpack_from("<II", data, v)
                if vsize == 0: break
                vtype = struct.unpack_from("<H", data, v + 9)[0]
                if str(fmt) == "9f4c2855-9f79-4b39-a8d0-e1d42de1d5f3" and pid == 5 and vtype == 0x1F:
                    n = struct.unpack_from("<I", data, v + 13)[0]
                    found = data[v + 17:v + 17 + 2 * (n - 1)].decode("utf-16-le")
                v += vsize
            p += ssize
    at += size
sys.exit(0 if found == sys.argv[2] else 1)
PY
done
(/usr/lib/wine/wine64 "$folder\\uninstall.exe" --uninstall -i silent </dev/null >/dev/null 2>&1) || fail "uninstall exited with $?"
for link in "$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/$name.lnk" "$home/Desktop/$name.lnk"; do
  [ ! -e "$link" ] || fail "the uninstaller left $link"
done
for i in $(seq 50); do [ -e "$work" ] || break; sleep 0.1; done
[ ! -e "$work" ] || fail "the working folder $work stays"
echo "ok: shortcuts of $name read back by lnkinfo and the property store reader"
