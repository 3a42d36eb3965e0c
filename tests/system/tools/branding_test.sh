#!/usr/bin/env bash
# A product's name, icon and version on a packed installer and its launcher, read back through
# Windows' own functions (resource_reader.exe) and by icoutils' wrestool; the branded installers
# run the sample application end to end; branding is reproducible, the same from the Windows
# packer, survives signing, and refuses what it cannot stamp.
#   branding_test.sh PACKER PACKER-I686.EXE READER.EXE STUB-X64 STUB-I686 QUILLRUN SAMPLE-PAYLOAD WORKDIR [DIALOG-DRIVER]
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/../../.."
source "$here/../archive/make_tree.sh"
source "$root/cmake/wine-env.sh"
packer=$1 packer_i686=$2 reader=$3 stub64=$4 stub32=$5 quillrun=$6 sample=$7 work=$8 driver=${9:-}
rm -rf "$work" && mkdir -p "$work" && cd "$work"
wine() { /usr/lib/wine/wine64 "$@" 2>/dev/null | tr -d '\r'; }
read_in() { local lang=$1; shift; env LANG="$lang" LC_ALL="$lang" LC_MESSAGES="$lang" LANGUAGE= \
  /usr/lib/wine/wine64 "$reader" "$@" 2>/dev/null | tr -d '\r'; }
has() { grep -qxF -- "$2" <<<"$1" || { echo "  missing '$2' in:"; sed 's/^/    /' <<<"$1" | head -20; return 1; }; }

# An icon of four images, two bitmaps and two PNGs, each of its own colour.
python3 - <<'EOF'
import struct, zlib
def png(size, rgba, height=None):
    height = height or size
    raw = b''.join(b'\0' + bytes(rgba) * size for _ in range(height))
    chunk = lambda t, d: struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, height, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))
def bmp(size, bgra):
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + bytes(bgra) * size * size + b'\0' * (((size + 31) // 32 * 4) * size)
images = [(16, bmp(16, (0, 0, 255, 255))), (32, bmp(32, (0, 255, 0, 255))),
          (48, png(48, (255, 0, 0, 255))), (256, png(256, (10, 20, 30, 255)))]
out, offset = struct.pack('<HHH', 0, 1, len(images)), 6 + 16 * len(images)
for size, data in images:
    out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
open('app.ico', 'wb').write(out + b''.join(d for _, d in images))
for size, data in images:
    open('image-%d.bin' % size, 'wb').write(data)
open('square.png', 'wb').write(png(64, (1, 2, 3, 255)))
open('oblong.png', 'wb').write(png(64, (1, 2, 3, 255), 32))
EOF

mkdir -p app/Windows && cp "$quillrun" app/Windows/AcmeApp.exe && printf 'kiv.nl.java.launcher.main.class=a.B\n' > app/Windows/AcmeApp.kiv
brand=(--name "Acme App" --icon app.ico --app-version 2.1.0 --vendor "Acme Corp" --copyright "(C) 2026 Acme Corp")
stub_of() { head -c $(( $(od -An -tu4 -j $(( $(stat -c %s "$1") - 4 )) -N 4 "$1" | tr -d ' ') + 1024 )) "$1"; }

# With --no-check the folder check's findings still show, marked as not blocking: they are not the packer's own lines.
own_lines() { grep -v -e '(not blocking: --no-check)$' -e 'packing anyway (--no-check)$' "$1"; }
for arch in x64 i686; do
  stub=$stub64 && [ $arch = i686 ] && stub=$stub32
  mkdir -p $arch
  SOURCE_DATE_EPOCH=1700000000 "$packer" --no-check --stub "$stub" --out $arch/AcmeApp.exe "${brand[@]}" app > $arch/pack.log 2>&1
  check "$arch: packs with every branding option" test $? = 0 -a -z "$(own_lines $arch/pack.log)"
  stub_of $arch/AcmeApp.exe > $arch/stub.exe
  unzip -p $arch/AcmeApp.exe Windows/AcmeApp.exe > $arch/launcher.exe
  check "$arch: the launcher in dist/ stays as it was" cmp -s "$quillrun" app/Windows/AcmeApp.exe
  check "$arch: the payload's launcher is branded" test "$(cmp -s "$quillrun" $arch/launcher.exe; echo $?)" = 1

  out=$(wine "$reader" version "$(winpath "$work/$arch/AcmeApp.exe")")
  for line in "ProductName=Acme App" "FileDescription=Acme App Setup" "CompanyName=Acme Corp" \
    "LegalCopyright=(C) 2026 Acme Corp" "ProductVersion=2.1.0" "FileVersion=2.1.0" "OriginalFilename=AcmeApp.exe" \
    "InternalName=ruvo" "FixedFileVersion=2.1.0.0" "FixedProductVersion=2.1.0.0"; do
    check "$arch installer: version $line" has "$out" "$line"
  done
  out=$(wine "$reader" version "$(winpath "$work/$arch/launcher.exe")")
  for line in "FileDescription=Acme App" "ProductName=Acme App" "FixedFileVersion=2.1.0.0" "InternalName=quillrun"; do
    check "$arch launcher: version $line" has "$out" "$line"
  done
  for file in stub launcher; do
    out=$(wine "$reader" checksum "$(winpath "$work/$arch/$file.exe")")
    check "$arch $file: the header's checksum is the image's" \
      test -n "$out" -a "$(sed -n 's/^header=//p' <<<"$out")" = "$(sed -n 's/^computed=//p' <<<"$out")"
  done

  # The working text in the user's language, each language's own wording around the new name.
  for pair in en_US:en de_DE:de ru_RU:ru ja_JP:ja ar_SA:ar_sa; do
    lang=${pair%%:*}.UTF-8 rc=${pair#*:}
    expected=$(sed -n 's/^ *IDS_PREPARING "\(.*\)"$/\1/p' "$root/selfextract/resources/strings/$rc.rc")
    out=$(read_in "$lang" strings "$(winpath "$work/$arch/stub.exe")" 5)
    check "$arch installer, $lang: string 5 reads '${expected/Velmora/Acme App}'" has "$out" "5=${expected/Velmora/Acme App}"
  done
  for pair in en_US:en_us ru_RU:ru ja_JP:ja de_DE:de; do
    lang=${pair%%:*}.UTF-8 rc=${pair#*:}
    for id in 104 110; do
      expected=$(sed -n "s/^ *$id \"\(.*\)\"\$/\1/p" "$root/launcher/resources/strings/$rc.rc")
      expected=${expected//Velmora/Acme App} && expected=${expected//Quillrun/Acme App}
      out=$(read_in "$lang" strings "$(winpath "$work/$arch/launcher.exe")" $id)
      check "$arch launcher, $lang: message $id reads '$expected'" has "$out" "$id=$expected"
    done
  done
  # Every dialog template (English for the left-to-right languages, a mirrored one for each
  # right-to-left language): its caption and working text carry the name, none the kit's.
  dialogs=$(wrestool -l $arch/stub.exe | sed -n "s/.*--type=5 --name='PROGRESSINDICATOR' --language=\([0-9]*\).*/\1/p")
  check "$arch: 3 dialog templates" test "$(wc -w <<<"$dialogs")" = 3
  bad=
  for language in $dialogs; do
    out=$(wine "$reader" dialog "$(winpath "$work/$arch/stub.exe")" PROGRESSINDICATOR "$(printf %x "$language")")
    { grep -qxF "caption=Acme App" <<<"$out" && grep -q '^1005=.*Acme App' <<<"$out" && ! grep -q Velmora <<<"$out"; } ||
      bad="$bad $language"
  done
  check "$arch: every dialog's caption and working text name the product (wrong:${bad:- none})" test -z "$bad"
  # The texts the dialog takes from each language's table: the working text names the product,
  # none of them the kit.
  languages=$(wrestool -l $arch/stub.exe | sed -n "s/.*--type=6 --name=1 --language=\([0-9]*\).*/\1/p")
  check "$arch: 30 string table languages" test "$(wc -w <<<"$languages")" = 30
  bad=
  for language in $languages; do
    out=$(wine "$reader" strings-in "$(winpath "$work/$arch/stub.exe")" "$(printf %x "$language")" 5 6 7 8)
    { grep -q '^5=.*Acme App' <<<"$out" && [ "$(grep -c '^[5-8]=.' <<<"$out")" = 4 ] && ! grep -q Velmora <<<"$out"; } ||
      bad="$bad $language"
  done
  check "$arch: every language's dialog texts name the product (wrong:${bad:- none})" test -z "$bad"
  # No dialog, string, message or version text names the kit any more (the programs' code is
  # not the packer's to change).
  for file in stub launcher; do
    named=$(for type in 5 6 11 16; do wrestool -x --raw --type=$type $arch/$file.exe 2>/dev/null; done |
      strings -el | grep -cE 'Velmora|Quillrun')
    check "$arch $file: no resource text names the kit ($named do)" test "$named" = 0
  done

  # The icon: Windows takes the .ico's own image at each size, from the file icon and the
  # dialog's (group 108) alike, and wrestool extracts the same icon.
  for size in 16 32 48 256; do
    out=$(wine "$reader" icon "$(winpath "$work/$arch/stub.exe")" 108 $size "$(winpath "$work/$arch/icon-$size.bin")")
    check "$arch installer: LoadImageW at $size gives ${size}x$size" has "$out" "size=${size}x$size"
    check "$arch installer: the image at $size is the .ico's own" cmp -s image-$size.bin $arch/icon-$size.bin
  done
  first=$(wrestool -l $arch/launcher.exe | sed -n 's/.*--type=14 --name=\([0-9]*\).*/\1/p' | head -1)
  out=$(wine "$reader" icon "$(winpath "$work/$arch/launcher.exe")" "$first" 48 "$(winpath "$work/$arch/launcher-48.bin")")
  check "$arch launcher: its file icon at 48 is the .ico's own" cmp -s image-48.bin $arch/launcher-48.bin
  wrestool -x --type=14 --name=108 $arch/stub.exe > $arch/extracted.ico 2>/dev/null
  check "$arch: wrestool extracts the same icon" test "$(icotool -l $arch/extracted.ico)" = "$(icotool -l app.ico)"
  wrestool -x --raw --type=16 $arch/stub.exe > $arch/version.bin 2>/dev/null
  check "$arch: wrestool finds the version texts" grep -q 'Acme Corp' <(strings -el $arch/version.bin)
  check "$arch: objdump reads the image" x86_64-w64-mingw32-objdump -h $arch/stub.exe > /dev/null

  # The whole chain: the branded installer unpacks the sample and its branded launcher starts
  # the application, whose exit code comes back.
  rm -rf run-$arch && mkdir run-$arch && cp -r "$sample/." run-$arch/
  "$packer" --stub "$stub" --out run-$arch/hello.exe "${brand[@]}" "$sample" > run-$arch/pack.log 2>&1
  check "$arch: packs the sample branded" test $? = 0
  out=$(cd run-$arch && timeout 300 /usr/lib/wine/wine64 ./hello.exe -i silent --exit=3 2>&1 | tr -d '\r'); code=${PIPESTATUS[0]}
  check "$arch: the branded installer returns the application's exit code" test "$code" = 3
  check "$arch: the application ran" grep -qxF "hello: exit.code=3" <<<"$out"
done

# The dialog as the user sees it, while a large payload unpacks: found by its new caption, the
# working text in the product's name, a screenshot kept for a look.
if [ -n "${DISPLAY:-}" ] && [ -n "$driver" ]; then
  mkdir -p big/Windows tmp && cp app/Windows/* big/Windows/ && head -c 200000000 /dev/urandom > big/Windows/blob.bin
  "$packer" --no-check --stub "$stub64" --out Big.exe --level 0 "${brand[@]}" big > /dev/null 2>&1
  env LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 /usr/lib/wine/wine64 cmd /c \
    "set TMP=$(winpath "$work/tmp")&& set TEMP=$(winpath "$work/tmp")&& $(winpath "$work/Big.exe")" > /dev/null 2>&1 &
  big=$!
  found=$(/usr/lib/wine/wine64 "$driver" wait "title=Acme App" 60000 2>/dev/null | tr -d '\r')
  controls=$(/usr/lib/wine/wine64 "$driver" controls "title=Acme App" 2>/dev/null | tr -d '\r')
  import -window root dialog.png 2>/dev/null
  check "the dialog is found by the caption Acme App" test -n "$found"
  check "the dialog's working text names the product" grep -qx '1005 1 Acme App is preparing to install...' <<<"$controls"
  check "a screenshot of the dialog was taken" test -s dialog.png
  timeout 120 tail --pid=$big -f /dev/null; kill $big 2>/dev/null; wait $big 2>/dev/null
  rm -rf big tmp Big.exe
fi

# Reproducible, and the same from the Windows packer.
mkdir -p again
SOURCE_DATE_EPOCH=1700000000 "$packer" --no-check --stub "$stub32" --out again/AcmeApp.exe "${brand[@]}" app > /dev/null 2>&1
check "two builds under one SOURCE_DATE_EPOCH are identical" cmp -s again/AcmeApp.exe i686/AcmeApp.exe
mkdir -p win && cp "$stub32" win/stub.exe && cp app.ico win/
(cd win && SOURCE_DATE_EPOCH=1700000000 /usr/lib/wine/wine64 "$packer_i686" --no-check --stub stub.exe --out AcmeApp.exe \
  --name "Acme App" --icon app.ico --app-version 2.1.0 --vendor "Acme Corp" --copyright "(C) 2026 Acme Corp" \
  "$(winpath "$work/app")" > pack.log 2>&1)
check "the i686 Windows packer writes the same bytes as the Linux one" cmp -s win/AcmeApp.exe i686/AcmeApp.exe

# Signing covers the branded installer.
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj /CN=acme-test 2>/dev/null
osslsigncode sign -certs cert.pem -key key.pem -n "Acme App" -in i686/AcmeApp.exe -out signed.exe > sign.log 2>&1
check "osslsigncode signs the branded installer" test $? = 0
osslsigncode verify -CAfile cert.pem -in signed.exe > verify.log 2>&1
check "osslsigncode verify passes" test $? = 0
out=$(wine "$reader" version "$(winpath "$work/signed.exe")")
check "the signed installer keeps its version" has "$out" "ProductName=Acme App"
"$packer" --no-check --stub signed.exe --out Resigned.exe --name X app > resigned.log 2>&1
check "a signed stub is refused, nothing written" test $? = 1 -a ! -e Resigned.exe
check "the refusal names the stub and says why" grep -qx 'ruvo-pack: the stub signed.exe: the image is signed; brand it before signing' resigned.log

# Without a branding option nothing changes: the stub and the launcher go in as they are.
SOURCE_DATE_EPOCH=1700000000 "$packer" --no-check --stub "$stub32" --out Plain.exe app > /dev/null 2>&1
check "no branding option: the stub is copied byte for byte" cmp -s "$stub32" <(stub_of Plain.exe)
check "no branding option: the launcher is packed byte for byte" cmp -s "$quillrun" <(unzip -p Plain.exe Windows/AcmeApp.exe)

# Refusals: one line naming the file or option and the reason; nothing written; --check says it too.
refuse() {  # what, expected line, options...
  local what=$1 line=$2; shift 2
  "$packer" --no-check --stub "$stub32" --out refused/AcmeApp.exe "$@" app > refused.log 2>&1; local rc=$?
  check "refuses $what (exit 1)" test $rc = 1 -a -z "$(ls refused)"
  check "refuses $what: '$line'" grep -qxF "$line" refused.log
  check "refuses $what in one line" test "$(own_lines refused.log | wc -l)" = 1
}
printf 'not an icon' > text.ico
head -c 3000 "$stub32" > cut.exe && mkdir -p refused
refuse "a file that is not an icon" "ruvo-pack: the icon text.ico: neither an icon file (.ico) nor a PNG image" --icon text.ico
refuse "an oblong PNG" "ruvo-pack: the icon oblong.png: the PNG image is 64 x 32 pixels; an icon must be square" --icon oblong.png
refuse "a bad version" "ruvo-pack: --app-version: '2.1.0.0.1' is not a version: it has more than 4 numbers" --app-version 2.1.0.0.1
refuse "a long name" "ruvo-pack: --name: 65 characters long; the installer dialog's caption holds at most 64" --name "$(printf 'n%.0s' {1..65})"
"$packer" --no-check --stub cut.exe --out Refused.exe --name X app > refused.log 2>&1
check "refuses a stub that is not a whole PE" grep -q 'ruvo-pack: the stub cut.exe: section 1 runs past the end of the file' refused.log
"$packer" --check --name "" --app-version 1.x --icon square.png app > check.log 2>&1
check "--check reports the branding options' problems" test $? = 1
check "--check: --name" grep -qxF -- "--name: error: empty" check.log
check "--check: --app-version" grep -qxF -- "--app-version: error: '1.x' is not a version: give 1 to 4 numbers separated by dots, such as 2.1.0" check.log
check "--check: a square PNG is sound" test "$(grep -c 'square.png' check.log)" = 0
mkdir -p broken/Windows && printf 'no program' > broken/Windows/Broken.exe && printf 'k=v\n' > broken/Windows/Broken.kiv
"$packer" --no-check --stub "$stub32" --out refused/Broken.exe --name X broken > refused.log 2>&1
check "refuses a launcher that is not a program" \
  test -z "$(ls refused)" -a "$(own_lines refused.log)" = "ruvo-pack: the launcher broken/Windows/Broken.exe: not a Windows program (PE file)"
"$packer" --check --out Broken.exe --stub signed.exe --name X broken > check.log 2>&1
check "--check names a launcher it cannot brand" \
  grep -qxF "Windows/Broken.exe: error: cannot be branded: not a Windows program (PE file)" check.log
check "--check names a stub it cannot brand" \
  grep -qxF "signed.exe: error: cannot be branded: the image is signed; brand it before signing" check.log

echo "$failures failure(s)"
[ "$failures" = 0 ]
