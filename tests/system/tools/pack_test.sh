#!/usr/bin/env bash
# ruvo-pack from the command line: its installers pass `unzip -t` and `7z t`, unpack to the
# same files and stamps with Info-ZIP and with the archive engine, and its failures leave no
# output behind. Given a reference packer (another build), both must write the same bytes.
# Its folder check passes a sound folder and refuses a broken one. The archive trees here hold
# stand-in launchers, so they are packed with --no-check.
#   pack_test.sh native PACKER WORKDIR
#   pack_test.sh wine PACKER.EXE WORKDIR ALEXTRACT.EXE [RUVO.EXE [REFERENCE-PACKER]]
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../archive/make_tree.sh"
wine_run="$here/../../../cmake/wine-run.sh"
mode=$1 packer=$2 work=$3 alextract=${4:-} ruvo=${5:-} reference=${6:-}
rm -rf "$work" && mkdir -p "$work" && cd "$work"

path_arg() { if [ "$mode" = wine ]; then winpath "$work/$1"; else printf '%s' "$work/$1"; fi; }
pack() {  # arguments as given; paths already converted
  if [ "$mode" = wine ]; then "$wine_run" "$packer" "$@"; else "$packer" "$@"; fi 2>&1 | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

make_tree src
mv src/Windows/setup.exe src/Windows/MyApp.exe && mv src/Windows/setup.kiv src/Windows/MyApp.kiv
{ printf 'MZ'; head -c 741374 /dev/urandom; } > stub.exe

pack --no-check --stub "$(path_arg stub.exe)" --out "$(path_arg MyApp.exe)" --level 9 "$(path_arg src)" > pack.log
check "packs" test "${PIPESTATUS[0]}" = 0 -a -f MyApp.exe
check "no packing warnings for a complete folder" test -z "$(grep '^ruvo-pack: warning' pack.log)"
check "stub comes first" cmp -s -n 741376 stub.exe MyApp.exe
check "signature and launcher path field" \
  test "$(od -An -c -j 741376 -N 21 MyApp.exe | tr -d ' \n')" = '[>N\0Windows\MyApp.exe'
check "trailer holds the stub size less 1024" \
  test "$(od -An -tu4 -j $(( $(stat -c %s MyApp.exe) - 4 )) -N 4 MyApp.exe | tr -d ' ')" = 740352
# The reference packs under the same installer name, which the payload records.
same_as_reference() {  # installer, packer arguments...
  local installer=$1; shift
  mkdir -p reference && "$reference" --no-check --stub stub.exe --out "reference/$installer" "$@" > reference.log 2>&1 &&
    cmp "$installer" "reference/$installer"
}
if [ -n "$reference" ]; then
  check "the same bytes as the reference packer" same_as_reference MyApp.exe --level 9 src
fi

unzip -t MyApp.exe > unzip-t.log 2>&1; rc=$?
check "unzip -t accepts it" test $rc -le 1
check "unzip -t finds no errors" grep -q 'No errors detected in compressed data' unzip-t.log
check "7z t accepts it" 7z t MyApp.exe > 7z-t.log 2>&1
mkdir info && (cd info && unzip -q ../MyApp.exe 2>/dev/null)
chmod -R u+w src
check "Info-ZIP unpacks the same files and stamps" same_tree src info

# Reproducible: the same folder with other file times gives the same bytes under one epoch.
mkdir -p again1 again2 again3
SOURCE_DATE_EPOCH=1700000000 pack --no-check --stub "$(path_arg stub.exe)" --out "$(path_arg again1/MyApp.exe)" "$(path_arg src)" > /dev/null
cp -a src src-touched && find src-touched -type f -exec touch -d '2021-06-01 08:00' {} +
SOURCE_DATE_EPOCH=1700000000 pack --no-check --stub "$(path_arg stub.exe)" --out "$(path_arg again2/MyApp.exe)" "$(path_arg src-touched)" > /dev/null
check "SOURCE_DATE_EPOCH: other file times give the same installer" cmp -s again1/MyApp.exe again2/MyApp.exe
SOURCE_DATE_EPOCH=soon pack --no-check --stub "$(path_arg stub.exe)" --out "$(path_arg again3/MyApp.exe)" "$(path_arg src)" > epoch.log
check "a malformed SOURCE_DATE_EPOCH is refused" test "${PIPESTATUS[0]}" = 2 -a ! -e again3/MyApp.exe
rm -rf src-touched again1 again2 again3

if [ -n "$alextract" ]; then
  "$wine_run" "$alextract" "$(winpath "$work/MyApp.exe")" "$(winpath "$work/engine")" 2>&1 | tr -d '\r' > engine.log
  check "the engine extracts every member" grep -q "^result: $(find src -type f | wc -l)\$" engine.log
  check "the engine unpacks the same files and stamps" same_tree src engine
  check "members come out writable (no attributes stored)" test -w engine/InstallerData/readonly.txt \
    -a "$(stat -c %A engine/InstallerData/readonly.txt | cut -c3)" = w
fi

# With the real self-extractor as stub, the installer unpacks itself and runs its launcher
# (here the engine's test program, which exits with 1 on the arguments "-i silent").
if [ -n "$ruvo" ]; then
  mkdir -p real/Windows && cp "$alextract" real/Windows/Real.exe && printf 'k=v\n' > real/Windows/Real.kiv
  head -c 3000000 /dev/urandom > real/Windows/blob.bin
  pack --no-check --stub "$(path_arg "$(realpath --relative-to="$work" "$ruvo")")" --out "$(path_arg Real.exe)" "$(path_arg real)" > real.log
  check "packs with the real stub" test "${PIPESTATUS[0]}" = 0
  (cd "$work" && KIV_DEBUG=true timeout 120 "$wine_run" ./Real.exe -i silent > /dev/null 2>&1); rc=$?
  check "the installer runs its launcher and returns its exit code" test $rc = 1
  check "the run is logged" grep -q 'terminated with an exit code of 1 ' sea.log

  # Signed with a throwaway certificate: the signature appends a certificate table behind the
  # payload, here once small and once larger than the window the end record is looked for in.
  openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj /CN=velmora-test 2>/dev/null
  for i in $(seq 1 90); do openssl req -x509 -key key.pem -days 2 -subj "/CN=extra $i" 2>/dev/null; done > extra.pem
  for size in small large; do
    extra=() && [ $size = large ] && extra=(-ac extra.pem)
    rm -rf "signed-$size" && mkdir "signed-$size"
    osslsigncode sign -certs cert.pem -key key.pem "${extra[@]}" -in Real.exe -out "signed-$size/Real.exe" > sign.log 2>&1
    osslsigncode verify -CAfile cert.pem -in "signed-$size/Real.exe" > "verify-$size.log" 2>&1
    check "$size certificate table: osslsigncode verify passes" test $? = 0
    table=$(( $(stat -c %s "signed-$size/Real.exe") - $(stat -c %s Real.exe) ))
    [ $size = small ] || check "large certificate table is larger than 64 KiB ($table bytes)" test $table -gt 66000
    (cd "$work/signed-$size" && timeout 120 "$wine_run" ./Real.exe -i silent > /dev/null 2>&1); rc=$?
    check "$size certificate table: the signed installer returns its launcher's exit code" test $rc = 1
  done

  # A stub signed before packing keeps its own certificate table inside the installer, ahead of
  # the payload: it must not hide the archive.
  rm -rf signed-stub && mkdir signed-stub
  osslsigncode sign -certs cert.pem -key key.pem -in "$ruvo" -out signed-stub/ruvo.exe > sign.log 2>&1
  check "the stub is signed" test $? = 0
  pack --no-check --stub "$(path_arg signed-stub/ruvo.exe)" --out "$(path_arg signed-stub/Real.exe)" "$(path_arg real)" > signed-stub.log
  check "packs onto a signed stub" test "${PIPESTATUS[0]}" = 0
  (cd "$work/signed-stub" && timeout 120 "$wine_run" ./Real.exe -i silent > /dev/null 2>&1); rc=$?
  check "an installer on a signed stub returns its launcher's exit code" test $rc = 1
fi

if [ "$mode" = wine ]; then
  imports=$(x86_64-w64-mingw32-objdump -p "$packer" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u | tr '\n' ' ')
  check "the Windows build imports only system DLLs ($imports)" \
    test -z "$(printf '%s\n' $imports | grep -vxE 'KERNEL32.DLL|MSVCRT.DLL|USER32.DLL|ADVAPI32.DLL')"
fi

# Failures: a clear message, exit code 1, and no output file.
pack --stub "$(path_arg stub.exe)" --out "$(path_arg Failed.exe)" "$(path_arg missing)" > missing.log
check "missing folder fails" test "${PIPESTATUS[0]}" = 1
check "missing folder is named" grep -q 'does not exist or is not a folder' missing.log
mkdir -p nolauncher/InstallerData && echo x > nolauncher/InstallerData/a.txt
pack --stub "$(path_arg stub.exe)" --out "$(path_arg Failed.exe)" "$(path_arg nolauncher)" > nolauncher.log
check "folder without launcher fails" test "${PIPESTATUS[0]}" = 1
check "missing launcher is named" grep -q 'no launcher' nolauncher.log
pack --no-check --stub "$(path_arg stub.exe)" --out "$(path_arg no/such/dir/Failed.exe)" "$(path_arg src)" > unwritable.log
check "unwritable output fails" test "${PIPESTATUS[0]}" = 1
check "unwritable output is named" grep -q 'cannot write' unwritable.log
check "failures leave no output" test -z "$(ls -d Failed.exe* 2>/dev/null)"
pack --stub "$(path_arg stub.exe)" "$(path_arg src)" > usage.log
check "usage error exits with 2" test "${PIPESTATUS[0]}" = 2
check "usage error shows the usage" grep -q '^Usage: ruvo-pack --stub' usage.log
pack --help > help.log
check "--help" grep -q '^Usage: ruvo-pack' help.log
last_option=$(grep -n '^  --' help.log | tail -1 | cut -d: -f1)
epoch=$(grep -n '^With SOURCE_DATE_EPOCH' help.log | cut -d: -f1)
check "--help lists every option before the environment" test -n "$epoch" -a "${last_option:-0}" -lt "${epoch:-0}"
pack --version > version.log
check "--version" grep -q '^ruvo-pack [0-9]' version.log

# The folder check: a sound folder passes; one with an error is reported with file, line and
# fix, and packing it writes nothing unless --no-check is given.
mkdir -p app/Windows/lib/com/example && printf 'MZ' > app/Windows/App.exe && printf 'c' > app/Windows/lib/com/example/Main.class
printf 'kiv.nl.java.launcher.main.class=com.example.Main\nkiv.class.path=lib\nkiv.nl.valid.vm.list=JRE_1.8+\n' > app/Windows/App.kiv
pack --check "$(path_arg app)" > check-sound.log
check "--check passes a sound folder" test "${PIPESTATUS[0]}" = 0
check "--check ends with a summary" grep -q ': 0 errors, 0 warnings$' check-sound.log
printf 'kiv.nl.java.option.java.heap.size.max=2g\n' >> app/Windows/App.kiv
pack --check --out "$(path_arg Other.exe)" "$(path_arg app)" > check-broken.log
check "--check fails a folder with an error" test "${PIPESTATUS[0]}" = 1
check "--check names the file, the line and the fix" grep -qxF \
  'Windows/App.kiv:4: error: kiv.nl.java.option.java.heap.size.max=2g: the launcher knows the units k and m only and reads "2g" as 2 bytes; write 2048m' check-broken.log
check "--check warns about the launcher's name" grep -q '^Windows/App.exe: warning: the installer Other.exe starts this launcher' check-broken.log
check "--check counts" grep -q ': 1 error, 1 warning$' check-broken.log
pack --stub "$(path_arg stub.exe)" --out "$(path_arg Other.exe)" "$(path_arg app)" > refused.log
check "packing refuses a folder with errors" test "${PIPESTATUS[0]}" = 1 -a ! -e Other.exe
check "the refusal shows the error" grep -q '^Windows/App.kiv:4: error: ' refused.log
check "packing counts what --check counts" grep -q 'found 1 error, 1 warning; nothing was written (--no-check packs anyway)' refused.log
pack --no-check --stub "$(path_arg stub.exe)" --out "$(path_arg Other.exe)" "$(path_arg app)" > unchecked.log
check "--no-check packs it anyway" test "${PIPESTATUS[0]}" = 0 -a -f Other.exe
check "--no-check still shows the error, not blocking" \
  grep -q '^Windows/App.kiv:4: error: .* (not blocking: --no-check)$' unchecked.log
check "--no-check still shows the warning" grep -q '^Windows/App.exe: warning: the installer Other.exe starts' unchecked.log
check "--no-check counts" grep -q 'found 1 error, 1 warning; packing anyway (--no-check)' unchecked.log
rm -f Other.exe

# A large input shows its progress.
head -c 40000000 /dev/urandom > src/InstallerData/large.bin
pack --no-check --stub "$(path_arg stub.exe)" --out "$(path_arg Large.exe)" --level 1 "$(path_arg src)" > large.log
check "large input packs" test "${PIPESTATUS[0]}" = 0
check "large input shows progress" grep -q 'packing 100%' large.log
check "missing NAME.exe is a warning" grep -q 'warning: the installer Large.exe starts this launcher, as Windows/Large.exe is not in the folder' large.log
if [ -n "$reference" ]; then
  check "the same bytes as the reference packer for a large input" same_as_reference Large.exe --level 1 src
fi

echo "$failures failure(s)"
[ "$failures" = 0 ]
