#!/usr/bin/env bash
# Static checks of the shipped 32-bit Hostprobe.dll and of the x86-64
# test build: PE32 DLL, exactly the natives the Java class declares (as javac -h writes
# them) plus JNI_OnLoad, undecorated, and imports from Windows system DLLs only.
#   check_shipped_library.sh JAVAC JAVA_SOURCE JAR I686_OBJDUMP I686_DLL X64_OBJDUMP X64_DLL
set -uo pipefail
javac=$1 java_source=$2 jar=$3 i686_objdump=$4 i686_dll=$5 x64_objdump=$6 x64_dll=$7
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The names a VM will look up, straight from the Java class.
"$javac" -d "$work/classes" -h "$work/include" "$java_source" || { echo "FAIL: the Java class does not compile"; exit 1; }
{
  grep -ho 'JNICALL Java_[A-Za-z0-9_]*' "$work"/include/*.h | sed 's/^JNICALL //'
  echo JNI_OnLoad
} | sort > "$work/expected"
[ "$(wc -l < "$work/expected")" = 16 ] || fail "the Java class declares $(($(wc -l < "$work/expected") - 1)) natives, not 15"

exports() {  # objdump, dll -> exported names, one a line, sorted
  "$1" -p "$2" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort
}
imports() {  # objdump, dll -> imported DLL names, lower case
  "$1" -p "$2" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u
}
system_dlls='^(kernel32|msvcrt|ntdll|user32|advapi32)\.dll$'

check_dll() {  # label, objdump, dll, expected magic
  local label=$1 objdump=$2 dll=$3 magic=$4
  if [ ! -f "$dll" ]; then fail "$label: $dll was not built"; return; fi
  local headers
  headers=$("$objdump" -p "$dll")
  grep -Eq "^Magic\s+$magic" <<<"$headers" || fail "$label: not $magic"
  sed -n '/^Characteristics/,/^$/p' <<<"$headers" | grep -qx $'\tDLL' || fail "$label: not marked as a DLL"
  exports "$objdump" "$dll" > "$work/$label.exports"
  diff -u "$work/expected" "$work/$label.exports" > "$work/$label.diff" ||
    fail "$label: exports differ from the Java class's natives:"$'\n'"$(cat "$work/$label.diff")"
  grep -q '@' "$work/$label.exports" && fail "$label: decorated export names"
  local dll_name
  for dll_name in $(imports "$objdump" "$dll"); do
    [[ $dll_name =~ $system_dlls ]] || fail "$label: imports $dll_name"
  done
}

check_dll i686 "$i686_objdump" "$i686_dll" '010b\s+\(PE32\)'
check_dll x64 "$x64_objdump" "$x64_dll" '020b\s+\(PE32\+\)'

# The figures are those the 32-bit process itself is given: GetSystemInfo rather than
# GetNativeSystemInfo, GlobalMemoryStatus rather than its Ex form.
if [ -f "$i686_dll" ]; then
  functions=$("$i686_objdump" -p "$i686_dll" | sed -n 's/^\s*[0-9a-f]\+\s\+[0-9]\+\s\+//p')
  for needed in GetSystemInfo GlobalMemoryStatus GetProcessTimes GetSystemTimeAsFileTime; do
    grep -qx "$needed" <<<"$functions" || fail "i686: does not call $needed"
  done
  for unwanted in GetNativeSystemInfo GlobalMemoryStatusEx; do
    grep -qx "$unwanted" <<<"$functions" && fail "i686: calls $unwanted"
  done

  # A 32-bit VM calls natives with __stdcall: each export must pop its two arguments
  # itself. A cdecl build would link and export the same names, then corrupt the VM's stack.
  headers=$("$i686_objdump" -p "$i686_dll")
  base=$(sed -n 's/^ImageBase\s\+//p' <<<"$headers")
  sed -n '/^Export Address Table -- /,/^$/p' <<<"$headers" |
    sed -n 's/^\s*\[ *\([0-9]*\)\] +base\[ *[0-9]*\] \([0-9a-f]*\) Export RVA/\1 \2/p' | sort -k1,1 > "$work/rvas"
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" |
    sed -n 's/^\s*\[ *\([0-9]*\)\] \(.*\)/\1 \2/p' | sort -k1,1 > "$work/names"
  while read -r _ rva name; do
    start=$((0x$base + 0x$rva))
    first_ret=$("$i686_objdump" -d --start-address=$start --stop-address=$((start + 0x400)) "$i686_dll" |
      grep -m1 -E '\sret')
    [[ $first_ret =~ ret[[:space:]]+\$0x8$ ]] || fail "i686: $name does not return as __stdcall with 8 bytes of arguments: ${first_ret:-no ret found}"
  done < <(join "$work/rvas" "$work/names")
fi

# The jar beside the DLL holds the same class, loadable by Java 8 VMs.
jar_dir=$(dirname "$i686_dll")
shipped_jar="$jar_dir/Hostprobe.jar"
if [ -f "$shipped_jar" ]; then
  "$jar" --list --file "$shipped_jar" | grep -qx 'it/tavora/util/system/Hostprobe.class' ||
    fail "Hostprobe.jar lacks it/tavora/util/system/Hostprobe.class"
  (cd "$work" && "$jar" --extract --file "$shipped_jar" it/tavora/util/system/Hostprobe.class)
  major=$(od -An -j6 -N2 -tu1 "$work/it/tavora/util/system/Hostprobe.class" | awk '{print $1 * 256 + $2}')
  [ "$major" -le 52 ] || fail "Hostprobe.jar needs a class file version $major VM (Java 8 reads up to 52)"
else
  fail "$shipped_jar was not built"
fi

[ $failures = 0 ] && echo "Hostprobe: all static checks passed"
exit $((failures > 0))
