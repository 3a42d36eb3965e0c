#!/usr/bin/env bash
# A real Java program through the real chain: [installer: ruvo.exe ->] quillrun.exe -> java
# bridge -> host JVM -> the sample application, which reports what it received.
#   bridge_chain.sh SAMPLE-PAYLOAD-FOLDER RUVO-PACK RUVO-STUB
set -euo pipefail
here="$(cd "$(dirname "$0")/../../.." && pwd)"
payload=$1 packer=$2 stub=$3
source "$here/cmake/wine-env.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$payload/." "$work/"
app="$work/Windows_Pure_64_Bit"

status=0
expect_line() {  # output, line
  if ! grep -qxF -- "$2" <<<"$1"; then echo "FAIL: missing line: $2"; status=1; fi
}
run() {  # folder, arguments...  -> sets out, code
  local dir=$1; shift
  set +e
  out=$(cd "$dir" && /usr/lib/wine/wine64 hello.exe "$@" 2>&1)
  code=$?
  set -e
}

# The VM named in the .kiv file (relative to it), user arguments with a space and a backslash.
run "$app" "two words" 'C:\not\a\file' --exit=3
[ "$code" = 3 ] || { echo "FAIL: exit code $code, expected 3"; status=1; }
expect_line "$out" "hello: argument.2=two words"
expect_line "$out" 'hello: argument.3=C:\\not\\a\\file'
expect_line "$out" "hello: vm.option=-Xms16777216"
expect_line "$out" "hello: vm.option=-Xmx67108864"
expect_line "$out" "hello: kiv.application.name=Hello from Velmora"
# The launcher writes the chosen VM with every backslash doubled; Java reads it back single.
windows_app=$(/usr/lib/wine/wine64 winepath -w "$app" 2>/dev/null | tr -d '\r')
expect_line "$out" "hello: kiv.nl.current.vm=${windows_app}\\resource\\jre\\bin\\java.exe"
expect_line "$out" "hello: runtime.raw=kiv.nl.current.vm=${windows_app//\\/\\\\}\\\\resource\\\\jre\\\\bin\\\\java.exe"

run "$app" --exit=0
[ "$code" = 0 ] || { echo "FAIL: exit code $code, expected 0"; status=1; }
expect_line "$out" "hello: exit.code=0"

# 400 dependency jars: the line would pass the system's limit, so the launcher hands the class
# path to the VM in an argument file, which the real JDK must read as the launcher wrote it.
cp "$app/hello.kiv" "$work/hello.kiv.saved"
class_path='lib\\hello.jar'
for i in $(seq -f %03g 1 400); do
  ln "$app/lib/hello.jar" "$app/lib/commons-something-library-$i-1.2.3.jar"
  class_path+=';lib\\commons-something-library-'"$i"'-1.2.3.jar'
done
{ grep -v '^kiv.class.path=' "$work/hello.kiv.saved"; printf 'kiv.class.path=%s\n' "$class_path"; } > "$app/hello.kiv"
set +e
out=$(cd "$app" && KIV_DEBUG=true /usr/lib/wine/wine64 hello.exe "two words" --exit=4 2>&1)
code=$?
set -e
[ "$code" = 4 ] || { echo "FAIL: 400 jars: exit code $code, expected 4"; status=1; }
grep -q '^quillrun: starting: .* @[^ ]*\.args it\.tavora\.sample\.Hello ' <<<"$out" ||
  { echo "FAIL: 400 jars: no argument file on the line"; status=1; }
expect_line "$out" "hello: argument.2=two words"
expect_line "$out" "hello: vm.option=-Xmx67108864"
expect_line "$out" "hello: exit.code=4"
mv "$work/hello.kiv.saved" "$app/hello.kiv"
rm -f "$app"/lib/commons-something-library-*.jar

# The VM named on the command line instead; the .kiv only names acceptable versions.
grep -v '^kiv.nl.current.vm=' "$app/hello.kiv" > "$app/hello.kiv.new" && mv "$app/hello.kiv.new" "$app/hello.kiv"
mv "$app/resource" "$work/bridge"
run "$app" KIV_VM "$(/usr/lib/wine/wine64 winepath -w "$work/bridge/jre/bin/java.exe" 2>/dev/null | tr -d '\r')" --exit=3
[ "$code" = 3 ] || { echo "FAIL: KIV_VM run: exit code $code, expected 3"; status=1; }
expect_line "$out" "hello: argument.2=KIV_VM"
expect_line "$out" "hello: exit.code=3"

# The whole chain from an installer file, whose launcher writes where the installer's caller
# reads.
"$packer" --stub "$stub" --out "$work/hello.exe" "$payload" 2>/dev/null
for expected in 3 0; do
  set +e
  out=$(cd "$work" && /usr/lib/wine/wine64 ./hello.exe -i silent "two words" --exit=$expected 2>&1)
  code=$?
  set -e
  [ "$code" = "$expected" ] || { echo "FAIL: installer exit code $code, expected $expected"; status=1; }
  # The installer hands all of its arguments on, its own options included.
  expect_line "$out" "hello: argument.2=-i"
  expect_line "$out" "hello: argument.3=silent"
  expect_line "$out" "hello: argument.4=two words"
  expect_line "$out" "hello: exit.code=$expected"
  expect_line "$out" "hello: vm.option=-Xmx67108864"
  # The working directory stays after a normal run; this test removes what it made.
  kiv=$(sed -n 's/^hello: argument.0=//p' <<<"$out")
  case "$kiv" in */Windows_Pure_64_Bit/hello.kiv) rm -rf "$(dirname "$(dirname "$kiv")")" ;; esac
done

if [ $status != 0 ]; then echo "--- last output:"; echo "$out"; fi
exit $status
