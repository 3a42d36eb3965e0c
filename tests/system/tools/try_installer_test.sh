#!/usr/bin/env bash
# scripts/try-installer.sh as a user runs it: the launcher's own output and the exit code come
# through, a dialog run works without a display, the unpacked folder is named, and the tests'
# prefix is refused.
#   try_installer_test.sh PACKER STUB QUILLRUN WORKDIR TRY-PREFIX
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../archive/make_tree.sh"
try="$here/../../../scripts/try-installer.sh"
packer=$1 stub=$2 quillrun=$3 work=$4 prefix=$5
rm -rf "$work" && mkdir -p "$work/app/Windows" "$work/broken/Windows" && cd "$work"

# A launcher whose .kiv lacks the main class: it prints its error and exits with 1.
cp "$quillrun" app/Windows/Try.exe && printf 'kiv.class.path=x.jar\n' > app/Windows/Try.kiv
printf 'no program\n' > broken/Windows/Broken.exe && printf 'k=v\n' > broken/Windows/Broken.kiv
# Both folders are broken on purpose, so they are packed without the folder check.
"$packer" --no-check --stub "$stub" --out Try.exe app 2>/dev/null &&
  "$packer" --no-check --stub "$stub" --out Broken.exe broken 2>/dev/null ||
  { echo "FAIL: cannot pack"; exit 1; }

try() {  # name, arguments... -> out, code
  local name=$1; shift
  out=$(VELMORA_TRY_PREFIX="$prefix" "$try" "$name" "$@" 2>&1 | tr -d '\r'); code=${PIPESTATUS[0]}
}
has() { grep -qF -- "$1" <<<"$out"; }
refused() { [ "$code" = 2 ] && has "$1"; }

for mode in "-i console" ""; do
  # Without a display: the script brings its own, so the dialog run works too.
  out=$(env -u DISPLAY VELMORA_TRY_PREFIX="$prefix" "$try" Try.exe $mode 2>&1 | tr -d '\r'); code=${PIPESTATUS[0]}
  check "${mode:-dialog} run: the launcher's exit code is the script's" test "$code" = 1
  # A dialog run leaves the launcher a console of its own, as on Windows.
  [ -z "$mode" ] ||
    check "$mode run: the launcher's error line is shown" has "The Velmora properties file contains invalid information"
  check "${mode:-dialog} run: the exit code is printed" has "== exit code: 1"
  folder=$(sed -n 's/^== unpacked into //p' <<<"$out")
  check "${mode:-dialog} run: the unpacked folder is named, in the script's own prefix" \
    test -f "$folder/Windows/Try.kiv" -a "${folder#"$prefix"/}" != "$folder"
  rm -rf "$folder"
done

try Broken.exe -i silent "two words" ''
check "nothing started: 255, explained" test "$code" = 255
check "the arguments are shown quoted as passed" has "== running: Broken.exe -i silent two\ words ''"
check "nothing started: the exit code line says -1" has "== exit code: 255 (-1 when nothing was started)"

try Missing.exe
check "a missing installer is named" refused "Missing.exe: no such file"
try --help
check "--help explains the options and the environment" \
  test "$code" = 0 -a -n "$(grep -e '^Usage: ' <<<"$out")" -a -n "$(grep -e VELMORA_TRY_PREFIX <<<"$out")" \
  -a -n "$(grep -e 'import -window root' <<<"$out")"
# Inside a test run, the prefix of the environment is the tests' one.
VELMORA_WINEPREFIX="$prefix" try Try.exe
check "the tests' prefix is refused" refused "is the tests' prefix"

echo "$failures failure(s)"
[ "$failures" = 0 ]
