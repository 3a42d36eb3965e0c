#!/usr/bin/env bash
# Archives that nobody here wrote (Info-ZIP zip, Python's zipfile, 7z), plain and appended to
# a program, and damaged ones, extracted with the engine under Wine.
#   third_party_test.sh ALEXTRACT.EXE WORKDIR
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/make_tree.sh"
wine_run="$here/../../../cmake/wine-run.sh"
alextract=$1
work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work"
python=/usr/bin/python3

make_tree src
# Info-ZIP on Linux stores non-ASCII names as raw bytes without the UTF-8 flag, which the
# engine reads through the ANSI code page (as Windows tools write them): keep its archives ASCII.
cp -a src src-ascii && rm src-ascii/InstallerData/r*sum*.txt
{ printf 'MZ'; head -c 70000 /dev/zero; } > stub.bin

extract() {  # archive, output folder -> prints alextract's report, returns its exit code
  "$wine_run" "$alextract" "$(winpath "$work/$1")" "$(winpath "$work/$2")" 2>&1 | tr -d '\r' > "$2.log"
  return "${PIPESTATUS[0]}"
}
report() { grep -E "^$1" "$2.log" | head -1; }

readonly_kept() { [ ! -w "$1/InstallerData/readonly.txt" ] || [ "$(stat -c %A "$1/InstallerData/readonly.txt" | cut -c3)" = - ]; }

# --- good archives ----------------------------------------------------------------------
(cd src-ascii && zip -q -r -0 ../infozip-stored.zip . && zip -q -r -9 ../infozip-deflated.zip .)
printf 'archive comment\n' | zip -q -z infozip-deflated.zip
(cd src && 7z a -bd -tzip -mx0 -mcu=on ../7z-stored.zip . >/dev/null && 7z a -bd -tzip -mx9 -mcu=on ../7z-deflated.zip . >/dev/null)
"$python" - <<'PY'
import os, zipfile
for name, method in (("python-stored.zip", zipfile.ZIP_STORED), ("python-deflated.zip", zipfile.ZIP_DEFLATED)):
    with zipfile.ZipFile(name, "w", method) as z:
        z.comment = b"made by zipfile"
        for root, dirs, files in os.walk("src"):
            for f in sorted(files):
                path = os.path.join(root, f)
                info = zipfile.ZipInfo.from_file(path, os.path.relpath(path, "src"))
                info.compress_type = method
                if not os.access(path, os.W_OK) or (os.stat(path).st_mode & 0o200) == 0:
                    info.external_attr |= 0x01  # the DOS read-only bit, as Windows tools set it
                info.comment = b"member comment"
                with open(path, "rb") as data:
                    z.writestr(info, data.read())
PY
for a in infozip-stored infozip-deflated 7z-stored 7z-deflated python-stored python-deflated; do
  cat stub.bin "$a.zip" > "$a-appended.exe"
  for variant in "$a.zip" "$a-appended.exe"; do
    out="out-${variant%.*}"
    extract "$variant" "$out"
    check "$variant extracts" grep -q '^result: [1-9]' "$out.log"
    want=src; case $a in infozip*) want=src-ascii ;; esac
    check "$variant content and stamps" same_tree "$want" "$out"
  done
done
cat stub.bin infozip-deflated.zip > infozip-adjusted.exe && zip -q -A infozip-adjusted.exe
extract infozip-adjusted.exe out-adjusted
check "zip -A adjusted program extracts" same_tree src-ascii out-adjusted
check "read-only member stays read-only (Info-ZIP)" readonly_kept out-infozip-deflated
check "read-only member stays read-only (zipfile)" readonly_kept out-python-deflated
chmod -R u+w out-* src src-ascii

# --- damaged archives ---------------------------------------------------------------------
"$python" - <<'PY'
import struct, zipfile
good = open("python-stored.zip", "rb").read()
def members(data):
    eocd = data.rfind(b"PK\x05\x06")
    size, offset = struct.unpack_from("<II", data, eocd + 12)
    pos, out = offset, []
    while data[pos:pos + 4] == b"PK\x01\x02":
        n, e, c = struct.unpack_from("<HHH", data, pos + 28)
        out.append((pos, struct.unpack_from("<I", data, pos + 42)[0], data[pos + 46:pos + 46 + n].decode()))
        pos += 46 + n + e + c
    return out
ms = members(good)
# A flipped byte in the data of InstallerData/numbers.txt (stored, so the byte is the data).
central, local, name = next(m for m in ms if m[2].endswith("numbers.txt"))
n, e = struct.unpack_from("<HH", good, local + 26)
flipped = bytearray(good); flipped[local + 30 + n + e + 1000] ^= 0x01
open("flipped.zip", "wb").write(flipped)
open("truncated.zip", "wb").write(good[:len(good) - 30])
open("far-end.zip", "wb").write(good + b"\0" * 70000)
# Method 12 for the second member: the first is written, nothing after it.
m12 = bytearray(good)
struct.pack_into("<H", m12, ms[1][0] + 10, 12)
struct.pack_into("<H", m12, ms[1][1] + 8, 12)
open("method12.zip", "wb").write(m12)
open("first-member.txt", "w").write(ms[0][2] + "\n" + ms[2][2] + "\n")
with zipfile.ZipFile("unsafe.zip", "w") as z:
    z.writestr("ok.txt", "fine")
    z.writestr("../evil.txt", "escaped")
with zipfile.ZipFile("absolute.zip", "w") as z:
    z.writestr("ok.txt", "fine")
    z.writestr("C:/evil.txt", "escaped")
PY
(cd src && zip -q -P secret ../encrypted.zip InstallerData/numbers.txt)
: > empty.zip

extract flipped.zip out-flipped
check "flipped byte: CRC error" grep -q '^result: -1984$' out-flipped.log
check "flipped byte: detail names the member" grep -q '^detail: InstallerData/numbers.txt: CRC32 was supposed to be ' out-flipped.log
check "flipped byte: status line" grep -q "^report: Code -1984 = 'CRC Error'$" out-flipped.log
check "flipped byte: other members intact" cmp -s src/Windows/setup.kiv out-flipped/Windows/setup.kiv
for bad in truncated far-end empty; do
  extract $bad.zip out-$bad
  check "$bad: invalid archive" grep -q '^result: -1980$' out-$bad.log
done
extract method12.zip out-method12
check "method 12: no engine" grep -q '^result: -1998$' out-method12.log
check "method 12: earlier member written" test -f "out-method12/$(sed -n 1p first-member.txt)"
check "method 12: later member not written" test ! -e "out-method12/$(sed -n 2p first-member.txt)"
extract encrypted.zip out-encrypted
check "encrypted: missing crypto engine" grep -q '^result: -1974$' out-encrypted.log
check "encrypted: nothing written" test ! -e out-encrypted/InstallerData/numbers.txt
for bad in unsafe absolute; do
  mkdir -p "out-$bad/inner"
  extract $bad.zip "out-$bad/inner"
  check "$bad names: refused" grep -q '^result: -1980$' out-$bad/inner.log
  check "$bad names: detail names the member" grep -q '^detail: Unsafe member name .*evil.txt' out-$bad/inner.log
  check "$bad names: nothing written" test -z "$(ls -A out-$bad/inner)" -a ! -e out-$bad/evil.txt -a ! -e evil.txt
done

echo "$failures failure(s)"
[ "$failures" = 0 ]
