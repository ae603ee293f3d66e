#!/usr/bin/env bash
# usage: import_table.sh OBJDUMP EXE
# Fails when EXE imports a DLL that is not on Windows' KnownDLLs list: any other name is
# searched for in the program's own folder first, and the stub runs from a Downloads folder.
set -euo pipefail
objdump=$1
exe=$2

# HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs on Windows 10 and 11, plus
# ntdll, which the kernel maps into every process before any search.
known=(advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32
       msctf msvcrt normaliz nsi ntdll ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore
       shell32 shlwapi user32 wldap32 ws2_32)

names=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]')
if [ -z "$names" ]; then
  echo "no import table read from $exe" >&2
  exit 1
fi
bad=0
for name in $names; do
  if printf '%s\n' "${known[@]}" | grep -qxF "${name%.dll}"; then
    echo "ok       $name"
  else
    echo "REFUSED  $name (not a KnownDLL: load it through platform/system_library.hpp)"
    bad=1
  fi
done
exit $bad
