#!/usr/bin/env bash
# Programs a user starts from a download folder import only libraries that a file planted
# beside them cannot replace: the system's known DLLs, and comctl32 when the program's
# manifest names Common Controls (loaded side by side). Everything else is loaded on use
# from the system folder, after the DLL search has been restricted.
#   known_dll_imports.sh FILE...
set -euo pipefail
known='^(advapi32|clbcatq|combase|comdlg32|coml2|difxapi|gdi32|gdiplus|imagehlp|imm32|kernel32|msctf|msvcrt|normaliz|nsi|ntdll|ole32|oleaut32|psapi|rpcrt4|sechost|setupapi|shcore|shell32|shlwapi|user32|wldap32|ws2_32)\.dll$'
status=0
for file in "$@"; do
  [ -f "$file" ] || { echo "FAIL: $file does not exist"; status=1; continue; }
  dlls=$(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  [ -n "$dlls" ] || { echo "FAIL: no imports read from $file"; status=1; continue; }
  bad=0
  for dll in $dlls; do
    [[ $dll =~ $known ]] && continue
    [ "$dll" = comctl32.dll ] && grep -aq 'Microsoft.Windows.Common-Controls' "$file" && continue
    echo "FAIL: $file imports $dll, which a file beside it could replace"
    bad=1
  done
  [ $bad = 0 ] && echo "ok: $file imports" $dlls
  [ $bad = 0 ] || status=1
done
exit $status
