#!/usr/bin/env bash
# Static checks of a built Windows binary: PE format, subsystem, and that it imports only
# Windows system DLLs (the runtime is linked statically).
#   pe_check.sh FILE FORMAT SUBSYSTEM [RESOURCE-TEXT...]
#   FORMAT: pei-x86-64 | pei-i386     SUBSYSTEM: "Windows CUI" | "Windows GUI" | any
#   PE_UNWANTED_IMPORTS: a regular expression of DLLs the binary must not import (lower case)
set -euo pipefail
file=$1 format=$2 subsystem=$3; shift 3
case $format in
  pei-i386) objdump=i686-w64-mingw32-objdump ;;
  *) objdump=x86_64-w64-mingw32-objdump ;;
esac
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$file" ] || fail "$file does not exist"
headers=$($objdump -p "$file")
grep -q "file format $format" <<<"$headers" || fail "$file is not $format"
if [ "$subsystem" != any ]; then
  grep -q "($subsystem)" <<<"$headers" || fail "$file is not a $subsystem program"
fi
system_dlls='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|comctl32|comdlg32|ole32|oleaut32|version|psapi|wininet|crypt32|msvcrt|ntdll|ws2_32|bcrypt|uxtheme|userenv|secur32|api-ms-win-.*)\.dll$'
while read -r dll; do
  lower=$(tr 'A-Z' 'a-z' <<<"$dll")
  [[ $lower =~ $system_dlls ]] || fail "$file imports $dll, which is not a Windows system DLL"
  if [ -n "${PE_UNWANTED_IMPORTS:-}" ] && [[ $lower =~ ^(${PE_UNWANTED_IMPORTS})\.dll$ ]]; then
    fail "$file imports $dll, which costs every start"
  fi
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
# Texts that must be embedded in the resources (UTF-16 strings or manifest bytes).
for text in "$@"; do
  python3 -c 'import sys; d = open(sys.argv[1], "rb").read(); t = sys.argv[2]
sys.exit(0 if t.encode() in d or t.encode("utf-16-le") in d else 1)' "$file" "$text" ||
    fail "$file does not embed \"$text\""
done
echo "ok: $file"
