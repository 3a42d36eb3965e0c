#!/usr/bin/env bash
# ruvo-pack's application mode end to end, with a real third-party program nobody here wrote:
# Apache Ant from Debian's package, packed with one command (its launcher jar, a build file,
# the Java bridge as the runtime image) and run silently through the installer under Wine.
# Also: the payload it lays out, the console and windowed launchers, reproducible bytes, a run
# that leaves no unpacked folder behind, and (with the setup engine shipped) an installing
# installer that still installs under a browser's name for a second download.
#   application_test.sh PACKER DIST WORKDIR [RESOURCE_READER [STANDIN_VM]]
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../archive/make_tree.sh"
wine_run="$here/../../../cmake/wine-run.sh"
packer=$1 dist=$2 work=$3 reader=${4:-} standin=${5:-}
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
pack_ant --type run --out AntRun.exe --keep-payload kept > pack.log 2>&1
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
check "run type: the unpacked folder goes when the program ends" grep -qx 'kiv.installer.cleanup=true' "$kiv"
check "run type: the program runs in its own folder" grep -qx 'kiv.user.dir=.' "$kiv"
check "the default application id, also the windows' AppUserModelID" grep -qx 'kiv.application.id=AntRun' "$kiv"
check "the console launcher by default" bash -c "x86_64-w64-mingw32-objdump -p $work/kept/Windows_Pure_64_Bit/AntRun.exe | grep -q '(Windows CUI)'"
# Every resource of what ships, read by Windows' own functions, names the product only.
kit_names() {  # programs... -> the kit's names found in their resources, one "file: name" a line
  local program
  for program in "$@"; do
    "$wine_run" "$reader" texts "$(winpath "$program")" 2>&1 | tr -d '\r' | grep -ioE 'velmora|quillrun|quillsetup|ruvo' |
      sort -u | sed "s|^|$(basename "$program"): |"
  done
}
if [ -n "$reader" ]; then
  found=$(kit_names AntRun.exe kept/Windows_Pure_64_Bit/AntRun.exe)
  echo "$found"
  check "run type: no kit name in any resource of the installer or the launcher" test -z "$found"
fi
pack_ant --type run --out again/AntRun.exe > /dev/null 2>&1
check "two packs under one SOURCE_DATE_EPOCH are the same bytes" cmp -s AntRun.exe again/AntRun.exe
pack_ant --type run --out gui/AntRun.exe --no-console --keep-payload gui-kept > /dev/null 2>&1
check "--no-console ships the windowed launcher" bash -c "x86_64-w64-mingw32-objdump -p $work/gui-kept/Windows_Pure_64_Bit/AntRun.exe | grep -q '(Windows GUI)'"

temp_folder="$VELMORA_WINEPREFIX/drive_c/users/$(id -un)/Temp"
run_installer() {  # [--file INSTALLER] arguments... -> out, code, left (unpacked folders left behind, removed)
  local before after installer="$work/AntRun.exe"
  [ "$1" = --file ] && { installer=$2; shift 2; }
  before=$(ls -d "$temp_folder"/I* 2>/dev/null | sort)
  out=$("$wine_run" "$(winpath "$installer")" "$@" 2>&1 | tr -d '\r'); code=${PIPESTATUS[0]}
  after=$(ls -d "$temp_folder"/I* 2>/dev/null | sort)
  left=$(comm -13 <(echo "$before") <(echo "$after") | grep . || true)
  for folder in $left; do rm -rf "$folder"; done
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
check "run type: no unpacked folder left after either run" test -z "$left"
check "plain arguments: no line of the launcher's own on the output" bash -c "! grep -q '^company:' <<<\"\$1\"" bash "$out"

# An installing installer, renamed as a browser names a second download, still starts the engine.
if [ -f "$dist/x64/quillsetup.exe" ]; then
  mkdir -p install
  pack_ant --out "install/MyApp-Setup (1).exe" --app-id Example.Test.AntRun --keep-payload install-kept > pack.log 2>&1
  check "install type packs" test $? = 0
  cat pack.log
  check "install type: the engine alone where the installer starts a program" test \
    "$(ls install-kept/Windows_Pure_64_Bit/*.exe)" = install-kept/Windows_Pure_64_Bit/setup.exe
  check "install type: the application in app/, starting where it is started" grep -qx 'kiv.user.dir=' \
    install-kept/app/AntRun.kiv
  if [ -n "$reader" ]; then
    found=$(kit_names "install/MyApp-Setup (1).exe" install-kept/Windows_Pure_64_Bit/setup.exe install-kept/app/AntRun.exe)
    echo "$found"
    check "install type: no kit name in any resource of the installer, the engine or the launcher" test -z "$found"
  fi
  rm -f "$temp_folder/Example.Test.AntRun-setup.log"
  run_installer --file "$work/install/MyApp-Setup (1).exe" -i silent
  echo "$out" | tail -4
  check "the renamed installer reaches the engine, which reads its settings" \
    grep -q 'Installed AntRun 1.0.0.0 in ' "$temp_folder/Example.Test.AntRun-setup.log"
  check "the renamed installer returns the engine's exit code 0" test "$code" = 0
  check "install: no unpacked folder left" test -z "$left"

  # Ant through the installed launcher, in the per-user programs folder, then a silent uninstall
  # as deployment tools run it: the entry's own QuietUninstallString.
  programs="$VELMORA_WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Programs"
  installed="$programs/AntRun/AntRun.exe"
  check "installed: the launcher in the per-user programs folder" test -f "$installed"
  build_file=$(winpath "$programs/AntRun/build.xml")
  for row in "hello|0|BUILD SUCCESSFUL" "nope|1|Target \"nope\" does not exist in the project \"velmora\""; do
    IFS='|' read -r target want said <<<"$row"
    run_installer --file "$installed" -f "$build_file" "$target"
    echo "$out" | tail -3
    check "installed launcher, target $target: $said" grep -qF "$said" <<<"$out"
    check "installed launcher, target $target: exit code $want" test "$code" = "$want"
  done
  check "installed launcher: the options as packed" grep -q 'hello from Ant, two words' <<<"$(run_installer \
    --file "$installed" -f "$build_file" hello; echo "$out")"
  key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Example.Test.AntRun'
  quiet=$("$wine_run" reg query "$key" /v QuietUninstallString 2>/dev/null | tr -d '\r' |
          sed -n 's/^ *QuietUninstallString *REG_SZ *//p')
  echo "QuietUninstallString: $quiet"
  check "the entry's QuietUninstallString: the uninstaller, silent" grep -q 'uninstall.exe" --uninstall -i silent$' <<<"$quiet"
  # As a deployment tool splits it: the quoted program, then its arguments (cmd under Wine keeps
  # the quotes of a command line handed over from Linux).
  uninstaller=${quiet#\"}; uninstaller=${uninstaller%%\"*}
  read -ra uninstall_args <<<"${quiet:${#uninstaller}+2}"
  "$wine_run" "$uninstaller" "${uninstall_args[@]}" > uninstall.log 2>&1; uninstall_code=$?
  cat uninstall.log
  check "silent uninstall: exit code 0" test "$uninstall_code" = 0
  for _ in $(seq 50); do [ -e "$programs/AntRun" ] || break; sleep 0.2; done  # the uninstaller goes after it ends
  check "silent uninstall: the program folder is gone" test ! -e "$programs/AntRun"
  check "silent uninstall: the entry is gone" bash -c "! '$wine_run' reg query '$key' > /dev/null 2>&1"

  # A file association: opening a document through the shell starts the installed program with it.
  # Per machine: Wine's HKEY_CLASSES_ROOT shows the machine's classes only, not the user's.
  if [ -n "$standin" ]; then
    mkdir -p assoc/runtime/bin assoc/record
    cp "$standin" assoc/runtime/bin/java.exe
    # The program stays until assoc/go exists and records what later starts hand over to it.
    printf 'record=%s\r\nwait.file=%s\r\ninstance.record=%s\r\n' "$(winpath "$work/assoc/record")" \
      "$(winpath "$work/assoc/go")" "$(winpath "$work/assoc/record/handovers.txt")" > assoc/runtime/bin/standin.cfg
    "$packer" --input in --main-jar ant-launcher.jar --name VelDocs --app-id Example.Test.VelDocs \
      --runtime-image assoc/runtime --stub "$dist/x64/ruvo.exe" --launcher-dir "$dist/x64" --single-instance \
      --file-association ".velx=Test document" --scope machine --out assoc/Docs.exe > pack.log 2>&1
    check "association: packs" test $? = 0
    run_installer --file "$work/assoc/Docs.exe" -i silent
    check "association: installs" test "$code" = 0
    echo '<project/>' > "assoc/my file.velx"
    "$wine_run" cmd /c start "" "$(winpath "$work/assoc/my file.velx")" > /dev/null 2>&1
    for _ in $(seq 100); do [ -s assoc/record/commandline.txt ] && break; sleep 0.2; done
    recorded=$(tr -d '\r' < assoc/record/commandline.txt 2>/dev/null)
    echo "the program received: $recorded"
    check "association: start of a .velx reaches the installed program with the file as its argument" \
      grep -qF "$(winpath "$work/assoc/my file.velx")" <<<"$recorded"
    # A second document opened while the program runs goes to the running program, no second VM.
    echo '<project/>' > "assoc/second.velx"
    "$wine_run" cmd /c start "" "$(winpath "$work/assoc/second.velx")" > /dev/null 2>&1
    for _ in $(seq 100); do grep -q 'second.velx' assoc/record/handovers.txt 2>/dev/null && break; sleep 0.2; done
    check "association with --single-instance: the running program gets the second document" \
      grep -qxF "argument:$(winpath "$work/assoc/second.velx")" assoc/record/handovers.txt
    : > assoc/go
    check "association with --single-instance: one VM ran" test "$(grep -c '^application|' assoc/record/runs.log)" = 1
    class_key='HKLM\Software\Classes\.velx'
    check "association: the type's description" bash -c "'$wine_run' reg query 'HKLM\Software\Classes\Example.Test.VelDocs.velx' |
      grep -q 'Test document'"
    uninstaller="$VELMORA_WINEPREFIX/drive_c/Program Files/VelDocs/uninstall.exe"
    # 1618 while the program is still ending.
    for _ in $(seq 25); do
      "$wine_run" "$(winpath "$uninstaller")" --uninstall -i silent > /dev/null 2>&1; [ $? = 1618 ] || break; sleep 0.2
    done
    check "association: gone with the uninstall" bash -c "! '$wine_run' reg query '$class_key' > /dev/null 2>&1"
  fi
else
  echo "skipped: the install type's run (no $dist/x64/quillsetup.exe in this build)"
fi

# The user's own options in %APPDATA%\VENDOR\NAME, after the packaged ones; the heap share.
mkdir -p art && printf '\x89PNG\r\n\x1a\n' > art/logo.png && cp art/logo.png art/logo@2x.png && echo text > art/notes.png
pack_ant --type run --out native/AntRun.exe --vendor "Acme Corp" --max-heap-percent 25 --splash art/logo.png \
  --keep-payload native-kept > /dev/null 2>&1
kiv=native-kept/Windows_Pure_64_Bit/AntRun.kiv
check "per-user options are read by default" grep -qx 'kiv.user.options=Acme Corp\\\\AntRun\\\\AntRun.options' "$kiv"
check "--max-heap-percent" grep -qx 'kiv.nl.java.option.java.heap.percent=25' "$kiv"
check "--splash: the image and its @2x variant beside the launcher" bash -c "grep -qx 'kiv.splash=logo.png' $kiv &&
  cmp -s art/logo.png native-kept/Windows_Pure_64_Bit/logo.png && test -f native-kept/Windows_Pure_64_Bit/logo@2x.png"
pack_ant --type run --out native/Bad.exe --splash art/notes.png > splash.log 2>&1; splash_code=$?
check "--splash refuses what is not an image, in one line" bash -c "test $splash_code = 2 -a ! -e native/Bad.exe &&
  test \$(wc -l < splash.log) = 1 && grep -q 'not a PNG, GIF or JPEG image' splash.log"
options_folder="$VELMORA_WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Acme Corp/AntRun"
mkdir -p "$options_folder" && printf '# mine\r\n-Dgreeting=from the user\r\n' > "$options_folder/AntRun.options"
run_installer --file "$work/native/AntRun.exe" -i silent -f build.xml hello
check "per-user options win over the packaged ones" grep -q 'hello from Ant, from the user' <<<"$out"
check "the heap share reaches the VM, which starts" test "$code" = 0
printf 'Xmx4g\n' > "$options_folder/AntRun.options"
run_installer --file "$work/native/AntRun.exe" -i silent -f build.xml hello
check "a malformed per-user line: file and line named, exit code 1" grep -q 'AntRun.options:1: .Xmx4g. is no JVM option' <<<"$out"
check "a malformed per-user line: the VM does not start" bash -c "! grep -q 'BUILD' <<<\"\$1\" && test $code = 1" bash "$out"
rm -rf "$options_folder"

echo "$failures failure(s)"
[ "$failures" = 0 ]
