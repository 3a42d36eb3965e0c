#!/usr/bin/env bash
# ruvo-pack's application mode as the installer and the VM see its options: the heap options
# (packed with --java-options, or given to the installer with -jvmxms/-jvmxmx) reach the VM,
# here a stand-in that records its command line; and rebuilding with --out inside --input
# never packs the earlier installer into the new one.
#   application_options_test.sh PACKER DIST STANDIN_VM WORKDIR
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../archive/make_tree.sh"
wine_run="$here/../../../cmake/wine-run.sh"
packer=$1 dist=$2 standin=$3 work=$4
rm -rf "$work" && mkdir -p "$work/in" "$work/runtime/bin" "$work/record" && cd "$work"
failures=0

mkdir -p jar/META-INF jar/a && printf 'Main-Class: a.Main\n' > jar/META-INF/MANIFEST.MF && : > jar/a/Main.class
(cd jar && zip -qr "$work/in/app.jar" .)
cp "$standin" runtime/bin/java.exe
printf 'record=%s\n' "$(winpath "$work/record")" > runtime/bin/standin.cfg
pack() {  # java options -> App.exe
  rm -f App.exe
  "$packer" --type run --input in --main-jar app.jar --name App --runtime-image runtime --stub "$dist/x64/ruvo.exe" \
    --launcher-dir "$dist/x64" --java-options "$1" --out App.exe > pack.log 2>&1 || { cat pack.log; return 1; }
}
temp_folder="$VELMORA_WINEPREFIX/drive_c/users/$(id -un)/Temp"
vm_line() {  # installer arguments... -> the VM's command line; the unpacked folder is removed again
  local before after
  rm -f record/commandline.txt
  before=$(ls -d "$temp_folder"/I* 2>/dev/null | sort)
  "$wine_run" "$(winpath "$work/App.exe")" "$@" > run.log 2>&1
  after=$(ls -d "$temp_folder"/I* 2>/dev/null | sort)
  comm -13 <(echo "$before") <(echo "$after") | while read -r folder; do [ -n "$folder" ] && rm -rf "$folder"; done
  cat record/commandline.txt 2>/dev/null || cat run.log
}

# java options | installer arguments | the VM gets | the VM does not get
while IFS='|' read -r options arguments wanted unwanted; do
  pack "$options" || { fail "packs with '$options'"; continue; }
  # shellcheck disable=SC2086
  line=$(vm_line -i silent $arguments)
  for option in $wanted; do
    check "'$options', '$arguments': the VM gets $option" grep -q -- " $option\( \|$\)" <<<"$line"
  done
  for option in $unwanted; do
    check "'$options', '$arguments': the VM does not get $option" bash -c '! grep -q -- "$0" <<<"$1"' " $option" "$line"
  done
done <<'CASES'
|-jvmxmx 1024m|-Xmx1073741824|-Xms
-Dx=1||-Dx=1|-Xmx -Xms
-Xmx1g -Dx=1||-Xmx1073741824 -Dx=1|-Xmx1g -Xms
-Xmx1g -Xms16m|-jvmxms 64m -jvmxmx 512m|-Xms67108864 -Xmx536870912|-Xmx1073741824 -Xms16 -Xmx1g
CASES

# Rebuilt with the installer inside the input, at its top or deeper: the same bytes each time.
for out in in/App.exe in/dist/App.exe; do
  mkdir -p "$(dirname "$out")"
  for build in first second; do
    SOURCE_DATE_EPOCH=1700000000 "$packer" --type run --input in --main-jar app.jar --name App --runtime-image runtime \
      --stub "$dist/x64/ruvo.exe" --launcher-dir "$dist/x64" --out "$out" > pack.log 2>&1
    code=$?
    [ $code = 0 ] || cat pack.log
    cp "$out" "$build.exe" 2>/dev/null
  done
  check "--out $out inside --input: packs twice" test $code = 0
  check "--out $out inside --input: the second build is the first one's bytes" cmp -s first.exe second.exe
  rm -rf in/App.exe in/dist first.exe second.exe
done

# One instance per user session through run-type installers: each start unpacks a fresh copy,
# and the application ID makes them one application. The later start hands its file over and
# ends with 0; the first's program gets it, and only one VM runs.
printf 'record=%s\nwait.file=%s\ninstance.record=%s\n' "$(winpath "$work/record")" "$(winpath "$work/go")" \
  "$(winpath "$work/record/handovers.txt")" > runtime/bin/standin.cfg
rm -rf record/* go && mkdir -p "docs dir"
"$packer" --type run --input in --main-jar app.jar --name App --runtime-image runtime --stub "$dist/x64/ruvo.exe" \
  --launcher-dir "$dist/x64" --single-instance --out App.exe > pack.log 2>&1 || { cat pack.log; fail "packs with --single-instance"; }
"$wine_run" "$(winpath "$work/App.exe")" -i silent > first.log 2>&1 &
first=$!
for _ in $(seq 300); do [ -s record/commandline.txt ] && break; sleep 0.1; done
(cd "docs dir" && "$wine_run" "$(winpath "$work/App.exe")" -i silent "my notes.txt" > "$work/second.log" 2>&1)
check "single instance: the later start ends with 0" test $? = 0
for _ in $(seq 100); do grep -q 'notes' record/handovers.txt 2>/dev/null && break; sleep 0.1; done
check "single instance: the running program gets the later start's file" \
  grep -qx 'argument:my notes.txt' record/handovers.txt
: > go
wait $first
check "single instance: the first start ends with its program's 0" test $? = 0
check "single instance: one VM ran" test "$(grep -c '^application|' record/runs.log)" = 1
rm -f go

echo "$failures failure(s)"
[ "$failures" = 0 ]
