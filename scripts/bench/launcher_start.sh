#!/usr/bin/env bash
# Start-up cost of quillrun under Wine: the time from starting the launcher to the start of
# the VM it chooses, next to the stand-in VM started directly, with 100 VMs registered and
# 50 directories on the search path, and SCRATCH recent scratch files of other runs in the
# temporary folder (none by default). Prints figures; it asserts nothing.
#   scripts/bench/launcher_start.sh [RUNS] [SCRATCH]
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="${VELMORA_BUILD_DIR:-$here/build}"
dist="${VELMORA_DIST_DIR:-$here/dist}"
runs="${1:-20}"
scratch="${2:-0}"

cmake --build "$build/x64" -j "${VELMORA_JOBS:-2}" --target quillrun standin_vms start_timer >/dev/null
export VELMORA_WINEPREFIX="$build/x64/wineprefix"
source "$here/cmake/wine-env.sh"
bin="$build/x64/tests/bin"
wine=/usr/lib/wine/wine64
winpath() { echo "Z:$1" | sed 's|/|\\|g'; }

work="$(mktemp -d /tmp/quillrun-bench.XXXXXX)"
temp=""
cleanup() {
  "$wine" reg delete 'HKLM\SOFTWARE\JavaSoft\JRE' /f >/dev/null 2>&1 || true
  if [ -n "$temp" ]; then find "$temp" -maxdepth 1 -name 'kivbench*.tmp' -delete; fi
  "$here/cmake/wine-prefix.sh" stop
  rm -rf "$work"
}
"$here/cmake/wine-prefix.sh" start
trap cleanup EXIT

# The application and the VM the list search will pick: the highest registered version.
mkdir -p "$work/app" "$work/best/bin"
cp "$dist/x64/quillrun.exe" "$work/app/app.exe"
cp "$bin/standin_vm_sun11.exe" "$work/best/bin/java.exe"
printf 'kiv.nl.java.launcher.main.class=com.example.Main\nkiv.class.path=lib/a.jar;lib/b.jar\nkiv.nl.valid.vm.list=J2\n' \
  > "$work/app/app.kiv"

# 99 registered VMs whose homes hold nothing, and the best one.
{
  echo 'REGEDIT4'
  for i in $(seq 1 99); do
    printf '\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\JRE\\1.8.0_%d]\n"JavaHome"="C:\\\\jre-%d"\n"MicroVersion"="0"\n' "$i" "$i"
  done
  printf '\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\JRE\\21.0.1]\n"JavaHome"="%s"\n' "$(winpath "$work/best" | sed 's|\\|\\\\|g')"
} > "$work/vms.reg"
"$wine" regedit /S "$(winpath "$work/vms.reg")"

# 50 search-path directories; one holds an older VM that the scan probes.
path=""
for i in $(seq -w 1 50); do
  mkdir -p "$work/path/d$i"
  path="$path$(winpath "$work/path/d$i");"
done
cp "$bin/standin_vm_sun18.exe" "$work/path/d25/java.exe"
path="${path}C:\\windows\\system32;C:\\windows"

# Scratch files of runs that are still going (written now), as a busy machine holds them.
if [ "$scratch" -gt 0 ]; then
  temp="$("$wine" winepath -u "$("$wine" cmd /c 'echo %TEMP%' | tr -d '\r')" 2>/dev/null)"
  [ -d "$temp" ] || { echo "the temporary folder of the prefix was not found" >&2; exit 1; }
  for i in $(seq 1 "$scratch"); do
    printf 'kiv.nl.current.vm=C:\\jre\\bin\\java.exe\r\n' > "$temp/kivbench$i.tmp"
  done
fi

timer="$(winpath "$bin/start_timer.exe")"
stamp="$(winpath "$work/stamp.txt")"
app="\"$(winpath "$work/app/app.exe")\""
vm="\"$(winpath "$work/best/bin/java.exe")\" -classpath \"a.jar;\" com.example.Main"

echo "quillrun start-up under Wine, $runs rounds (100 registered VMs, 50 search-path directories, $scratch scratch files)"
echo "time from starting a program to the start of the stand-in VM; the programs take turns:"
echo "  command 1: the stand-in VM started directly"
echo "  command 2: quillrun.exe, list search, then the stand-in VM"
echo "  command 3: quillrun.exe with the VM named on its command line (no search)"
"$wine" "$timer" --env "PATH=$path" "$runs" "$stamp" "$vm" "$app" "$app KIV_VM $(winpath "$work/best/bin/java.exe")"
echo "targets: command 2 / command 1 at most 2.35, command 3 / command 1 at most 2.15 (with 3000 scratch files)"
