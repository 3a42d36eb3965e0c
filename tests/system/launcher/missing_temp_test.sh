#!/usr/bin/env bash
# A temporary folder that does not exist, set where Wine takes it from (TEMP and TMP of the
# user's environment in the registry): the installer unpacks below C:\Temp, its launcher puts
# its scratch file there as well, and the program runs. The user's settings come back however
# the test ends.
#   missing_temp_test.sh RUVO-PACK RUVO-STUB QUILLRUN STANDIN-VM
set -uo pipefail
here="$(cd "$(dirname "$0")/../../.." && pwd)"
packer=$1 stub=$2 launcher=$3 standin=$4
source "$here/cmake/wine-env.sh"
wine=/usr/lib/wine/wine64
work=$(mktemp -d)
c_temp="$WINEPREFIX/drive_c/Temp"
before=$(ls -d "$c_temp"/I* "$c_temp"/kiv* 2>/dev/null | sort)

saved="Z:${work//\//\\}\\environment.reg"
"$wine" reg export 'HKCU\Environment' "$saved" /y >/dev/null 2>&1
restore() {
  "$wine" reg delete 'HKCU\Environment' /v TEMP /f >/dev/null 2>&1
  "$wine" reg delete 'HKCU\Environment' /v TMP /f >/dev/null 2>&1
  "$wine" reg import "$saved" >/dev/null 2>&1
  # What this run left below C:\Temp goes; whatever was there before stays.
  comm -13 <(echo "$before") <(ls -d "$c_temp"/I* "$c_temp"/kiv* 2>/dev/null | sort) |
    while read -r left; do [ -n "$left" ] && rm -rf "$left"; done
  rm -rf "$work"
}
trap restore EXIT
trap 'exit 1' INT TERM HUP
[ -s "$work/environment.reg" ] || { echo "FAIL: cannot save HKCU\\Environment"; exit 1; }

status=0
fail() { echo "FAIL: $*"; status=1; }

payload="$work/payload/Windows_Pure_64_Bit"
mkdir -p "$payload/jre/bin" "$payload/lib" "$work/rec"
cp "$launcher" "$payload/app.exe"
cp "$standin" "$payload/jre/bin/java.exe"
printf 'kiv.nl.java.launcher.main.class=com.example.Main\nkiv.class.path=lib\\\\a.jar\nkiv.nl.current.vm=jre\\\\bin\\\\java.exe\n' \
  > "$payload/app.kiv"
"$packer" --no-check --stub "$stub" --out "$work/app.exe" "$work/payload" >/dev/null 2>&1 || fail "cannot pack"

for name in TEMP TMP; do
  "$wine" reg add 'HKCU\Environment' /v $name /d 'C:\nonexist\tmp' /f >/dev/null 2>&1 || fail "cannot set $name"
done
[ ! -e "$WINEPREFIX/drive_c/nonexist" ] || fail "C:\\nonexist exists"

out=$(cd "$work" && STANDIN_EXIT=7 STANDIN_RECORD="Z:${work//\//\\}\\rec" "$wine" ./app.exe -i silent 2>&1 | tr -d '\r')
code=${PIPESTATUS[0]}
line=$(tr -d '\r' < "$work/rec/commandline.txt" 2>/dev/null)
[ "$code" = 7 ] || fail "exit code $code, expected the program's 7"
grep -q 'Quillrun Error' <<<"$out" && fail "the launcher failed: $out"
grep -q 'standin: application com.example.Main ran' <<<"$out" || fail "the program did not run"
# The scratch file beside the unpacked installer, in the fallback folder.
grep -qi '"C:/Temp/kiv[^"]*\.tmp"' <<<"$line" || fail "no scratch file in C:\\Temp on the line: $line"
grep -qi '\\Temp\\I[0-9]*\\Windows_Pure_64_Bit\\jre\\bin\\java.exe' <<<"$line" || fail "not unpacked below C:\\Temp: $line"

if [ $status = 0 ]; then echo "ok: the run works with TEMP and TMP naming C:\\nonexist\\tmp"; else echo "--- output:"; echo "$out"; fi
exit $status
