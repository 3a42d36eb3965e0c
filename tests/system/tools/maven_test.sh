#!/usr/bin/env bash
# The Maven plugin end to end, with Debian's Maven and repository only: samples/hello-maven's
# `mvn package` makes an installer of the default type, install (twice, in two folders: the
# same bytes), and in a second execution one of type run; installed silently, the first runs
# its program and the program's dependency through the real chain under Wine (the Java bridge
# as the runtime image), and uninstalls; `mvn install` publishes it; ruvo.skip skips; a jar
# without a main class fails the build with the packer's own line. One Maven run per case.
#   maven_test.sh DIST KIT_VERSION WORKDIR SOURCE_ROOT
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../archive/make_tree.sh"
wine_run="$here/../../../cmake/wine-run.sh"
dist=$1 version=$2 work=$3 source_root=$4
failures=0
mkdir -p "$work" && cd "$work" && rm -rf first second nomain runtime
# The local repository outlives the run: Maven copies Debian's artifacts into it once.
repo="$work/repository"
plugin_dir="$repo/it/tavora/velmora/ruvo-maven-plugin/$version"
mkdir -p "$plugin_dir" runtime/bin
cp "$dist/host/ruvo-maven-plugin-$version.jar" "$plugin_dir/"
cp "$source_root/tools/maven-plugin/pom.xml" "$plugin_dir/ruvo-maven-plugin-$version.pom"
rm -rf "$repo/it/tavora/sample" "$repo/.cache/ruvo-maven-plugin"
cp "$dist/x64/java-bridge.exe" runtime/bin/java.exe
for copy in first second nomain; do cp -r "$source_root/samples/hello-maven" "$copy"; rm -rf "$copy/target"; done
sed -i '/<mainClass>/d' nomain/pom.xml
# The run type from the same build: the installer whose run is the program's.
run_execution='<execution><id>run</id><goals><goal>installer</goal></goals><configuration><type>run</type><out>${project.build.directory}/${project.build.finalName}-run.exe</out><classifier>run</classifier></configuration></execution>'
for copy in first second; do sed -i "\\|</execution>|a $run_execution" "$copy/pom.xml"; done

mvn_in() {  # folder, maven arguments... -> log in folder.log, exit code in $code
  local folder=$1; shift
  (cd "$folder" && mvn -B -s "$source_root/tools/maven-plugin/offline-settings.xml" -Dmaven.repo.local="$repo" "$@") \
    > "$folder.log" 2>&1
  code=$?
}
installer=target/hello-maven-1.4.2-SNAPSHOT-setup.exe
runner=target/hello-maven-1.4.2-SNAPSHOT-run.exe

mvn_in first package -Druvo.runtimeImage="$work/runtime"
check "mvn package makes both installers" test "$code" = 0 -a -f "first/$installer" -a -f "first/$runner"
[ "$code" = 0 ] || tail -30 first.log
check "the jar and its one runtime dependency are packed" \
  grep -q 'Packing hello-maven-1.4.2-SNAPSHOT.jar and 1 runtime dependencies' first.log
check "the default names draw no warning from the packer" bash -c "! grep -q WARN '$work/first.log'"
check "the dependency comes as Maven resolved it" test -f first/target/ruvo-input/lib/commons-lang3-3.12.0.jar
check "the version resource holds the mapped version and the organization" \
  bash -c "strings -el '$work/first/$installer' | grep -qx 1.4.2 && strings -el '$work/first/$installer' | grep -qx 'Tavora Samples'"
cache=$(ls -d "$repo"/.cache/ruvo-maven-plugin/*/ 2>/dev/null | head -1)
check "the carried programs are unpacked into a cache folder" test -f "$cache/.complete" -a -x "$cache/ruvo-pack"
[ -f "$dist/x64/quillsetup.exe" ] && check "the setup engine is carried once built" cmp -s "$cache/quillsetup.exe" "$dist/x64/quillsetup.exe"
# ZIP names are stored as they are: the engine's settings show the type.
check "the default type installs through the setup engine" grep -aq 'setup\.settings' "first/$installer"
check "the run type carries no setup engine" bash -c "! grep -aq 'setup\.settings' '$work/first/$runner'"
check "the carried Windows packer runs" bash -c "'$wine_run' '$(winpath "$cache/ruvo-pack.exe")' --version | grep -q 'ruvo-pack'"

mvn_in second install -Druvo.runtimeImage="$work/runtime"
check "a second build in another folder gives the same bytes" cmp "first/$installer" "second/$installer"
check "the same for the run type" cmp "first/$runner" "second/$runner"
check "mvn install publishes it as classifier setup, type exe" \
  cmp "second/$installer" "$repo/it/tavora/sample/hello-maven/1.4.2-SNAPSHOT/hello-maven-1.4.2-SNAPSHOT-setup.exe"

# The default type: a silent per-user install, then the installed launcher runs the program.
user_folder="$VELMORA_WINEPREFIX/drive_c/users/$(id -un)"
installed="$user_folder/AppData/Local/Programs/HelloMaven"
uninstall() { "$wine_run" "$(winpath "$installed/uninstall.exe")" --uninstall -i silent >> install.log 2>&1; }
[ -f "$installed/uninstall.exe" ] && uninstall  # what a killed run left
before=$(ls -d "$user_folder/Temp"/I* 2>/dev/null | sort)
"$wine_run" "$(winpath "$work/first/$installer")" -i silent > install.log 2>&1; code=$?
check "the silent install succeeds" test "$code" = 0
[ "$code" = 0 ] || tail -5 install.log
check "the launcher is installed per user" test -f "$installed/HelloMaven.exe"
out=$("$wine_run" "$(winpath "$installed/HelloMaven.exe")" alpha "beta gamma" 2>&1 | tr -d '\r'); code=${PIPESTATUS[0]}
echo "$out" | tail -5
check "the program runs with its configured VM option" grep -qx 'hello-maven: Hello from Maven' <<<"$out"
check "its dependency is on the class path" grep -qx 'hello-maven: commons-lang3 3.12.0' <<<"$out"
check "the dependency works on the user's arguments" grep -qx 'hello-maven: beta gamma.alpha' <<<"$out"
check "the program's exit code is the launcher's" test "$code" = 2
[ -f "$installed/uninstall.exe" ] && uninstall
# The uninstaller removes itself, and the folder, once it has ended.
for _ in $(seq 50); do [ -e "$installed" ] || break; sleep 0.2; done
check "the silent uninstall removes it" test ! -e "$installed"
after=$(ls -d "$user_folder/Temp"/I* 2>/dev/null | sort)
comm -13 <(echo "$before") <(echo "$after") | while read -r folder; do [ -n "$folder" ] && rm -rf "$folder"; done

rm -f "first/$installer" "first/$runner"
mvn_in first package -Druvo.skip=true
check "ruvo.skip: the build succeeds and makes no installer" test "$code" = 0 -a ! -e "first/$installer" -a ! -e "first/$runner"
check "ruvo.skip: the log says so" grep -q 'Skipping the installer' first.log

mvn_in nomain package
check "no main class: the build fails" test "$code" != 0 -a ! -e "nomain/$installer"
check "no main class: with the packer's own line" grep -q \
  'ruvo-pack: --main-jar hello-maven-1.4.2-SNAPSHOT.jar: its manifest names no Main-Class; give --main-class' nomain.log
grep -q 'BUILD FAILURE' nomain.log || fail "no main class: Maven reports no BUILD FAILURE"

echo "$failures failure(s)"
[ "$failures" = 0 ]
