#!/usr/bin/env bash
# ruvo-pack's application mode end to end, with a real third-party program nobody here wrote:
# Apache Ant from Debian's package, packed with one command (its launcher jar, a build file,
# the Java bridge as the runtime image) and run silently through the installer under Wine.
# Also: the payload it lays out, the console and windowed launchers, reproducible bytes.
#   application_test.sh PACKER DIST WORKDIR
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../archive/make_tree.sh"
wine_run="$here/../../../cmake/wine-run.sh"
packer=$1 dist=$2 work=$3
ant_lib=/usr/share/ant/lib
rm -rf "$work" && mkdir -p "$work/in" "$work/runtime/bin" "$work/again" "$work/gui" "$work/native" && cd "$work"
failures=0

cp "$ant_lib/ant-launcher.jar" in/
cat > in/build.xml <<'XML'
<project name="velmora" default="hello">
  <target name="hello"><echo message="hello from Ant, ${greeting}"/></target>
</project>
XML
cp "$dist/x64/java-bridge.exe" runtime/bin/java.exe
pack_ant() {
  SOURCE_DATE_EPOCH=1700000000 "$packer" --input in --main-jar ant-launcher.jar --name AntRun \
    --java-options "-Dant.home=/usr/share/ant -Dant.library.dir=$ant_lib" --java-options "'-Dgreeting=two words'" \
    --runtime-image runtime \
    --stub "$dist/x64/ruvo.exe" --launcher-dir "$dist/x64" "$@"
}
pack_ant --out AntRun.exe --keep-payload kept > pack.log 2>&1
check "Ant packs with one command" test $? = 0 -a -f AntRun.exe
cat pack.log
kiv=kept/Windows_Pure_64_Bit/AntRun.kiv
check "the payload: launcher, .kiv, Ant's files, the runtime" test -f kept/Windows_Pure_64_Bit/AntRun.exe -a \
  -f kept/Windows_Pure_64_Bit/build.xml -a -f kept/Windows_Pure_64_Bit/ant-launcher.jar -a \
  -f kept/Windows_Pure_64_Bit/runtime/bin/java.exe -a -f "$kiv"
check "the main class from Ant's manifest" grep -qx 'kiv.nl.java.launcher.main.class=org.apache.tools.ant.launch.Launcher' "$kiv"
check "the shipped runtime is the VM" grep -qx 'kiv.nl.current.vm=runtime\\\\bin\\\\java.exe' "$kiv"
check "an option with a space stays one" grep -qx \
  "kiv.nl.java.option.additional=-Dant.home=/usr/share/ant -Dant.library.dir=$ant_lib \"-Dgreeting=two words\"" "$kiv"
check "the console launcher by default" bash -c "x86_64-w64-mingw32-objdump -p $work/kept/Windows_Pure_64_Bit/AntRun.exe | grep -q '(Windows CUI)'"
pack_ant --out again/AntRun.exe > /dev/null 2>&1
check "two packs under one SOURCE_DATE_EPOCH are the same bytes" cmp -s AntRun.exe again/AntRun.exe
pack_ant --out gui/AntRun.exe --no-console --keep-payload gui-kept > /dev/null 2>&1
check "--no-console ships the windowed launcher" bash -c "x86_64-w64-mingw32-objdump -p $work/gui-kept/Windows_Pure_64_Bit/AntRun.exe | grep -q '(Windows GUI)'"

temp_folder="$VELMORA_WINEPREFIX/drive_c/users/$(id -un)/Temp"
run_installer() {  # arguments... -> out, code; the unpacked folder is removed again
  local before after
  before=$(ls -d "$temp_folder"/I* 2>/dev/null | sort)
  out=$("$wine_run" "$(winpath "${installer:-$work/AntRun.exe}")" "$@" 2>&1 | tr -d '\r'); code=${PIPESTATUS[0]}
  after=$(ls -d "$temp_folder"/I* 2>/dev/null | sort)
  comm -13 <(echo "$before") <(echo "$after") | while read -r folder; do [ -n "$folder" ] && rm -rf "$folder"; done
}
run_installer -i silent -f build.xml hello
echo "$out" | tail -8
check "silent run: Ant says BUILD SUCCESSFUL" grep -q 'BUILD SUCCESSFUL' <<<"$out"
check "silent run: the target ran with the options as given" grep -q 'hello from Ant, two words' <<<"$out"
check "silent run: exit code 0" test "$code" = 0
run_installer -i silent -f build.xml nope
echo "$out" | tail -4
check "unknown target: Ant's own message" grep -q 'Target "nope" does not exist in the project "velmora"' <<<"$out"
check "unknown target: exit code 1" test "$code" = 1
check "plain arguments: no line of the launcher's own on the output" bash -c "! grep -q '^company:' <<<\"\$1\"" bash "$out"

# The user's own options in %APPDATA%\VENDOR\NAME, after the packaged ones; the heap share.
mkdir -p art && printf '\x89PNG\r\n\x1a\n' > art/logo.png && cp art/logo.png art/logo@2x.png && echo text > art/notes.png
pack_ant --out native/AntRun.exe --vendor "Acme Corp" --max-heap-percent 25 --splash art/logo.png \
  --keep-payload native-kept > /dev/null 2>&1
kiv=native-kept/Windows_Pure_64_Bit/AntRun.kiv
check "per-user options are read by default" grep -qx 'kiv.user.options=Acme Corp\\\\AntRun\\\\AntRun.options' "$kiv"
check "--max-heap-percent" grep -qx 'kiv.nl.java.option.java.heap.percent=25' "$kiv"
check "--splash: the image and its @2x variant beside the launcher" bash -c "grep -qx 'kiv.splash=logo.png' $kiv &&
  cmp -s art/logo.png native-kept/Windows_Pure_64_Bit/logo.png && test -f native-kept/Windows_Pure_64_Bit/logo@2x.png"
pack_ant --out native/Bad.exe --splash art/notes.png > splash.log 2>&1; splash_code=$?
check "--splash refuses what is not an image, in one line" bash -c "test $splash_code = 2 -a ! -e native/Bad.exe &&
  test \$(wc -l < splash.log) = 1 && grep -q 'not a PNG, GIF or JPEG image' splash.log"
options_folder="$VELMORA_WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Acme Corp/AntRun"
mkdir -p "$options_folder" && printf '# mine\r\n-Dgreeting=from the user\r\n' > "$options_folder/AntRun.options"
installer="$work/native/AntRun.exe" run_installer -i silent -f build.xml hello
check "per-user options win over the packaged ones" grep -q 'hello from Ant, from the user' <<<"$out"
check "the heap share reaches the VM, which starts" test "$code" = 0
printf 'Xmx4g\n' > "$options_folder/AntRun.options"
installer="$work/native/AntRun.exe" run_installer -i silent -f build.xml hello
check "a malformed per-user line: file and line named, exit code 1" grep -q 'AntRun.options:1: .Xmx4g. is no JVM option' <<<"$out"
check "a malformed per-user line: the VM does not start" bash -c "! grep -q 'BUILD' <<<\"\$1\" && test $code = 1" bash "$out"
rm -rf "$options_folder"

echo "$failures failure(s)"
[ "$failures" = 0 ]
