#!/usr/bin/env bash
# usage: import_table.sh OBJDUMP EXE
# Fails when EXE imports a DLL that is not on Windows' KnownDLLs list: any other name is
# searched for in the program's own folder first, and the stub runs from a Downloads folder.
set -euo pipefail
objdump=$1
exe=$2

known=$(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$(dirname "$0")/planting/known_dlls.txt" | grep -v '^$')

names=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]')
if [ -z "$names" ]; then
  echo "no import table read from $exe" >&2
  exit 1
fi
bad=0
for name in $names; do
  if grep -qxF "$name" <<<"$known"; then
    echo "ok       $name"
  else
    echo "REFUSED  $name (not a KnownDLL: load it through platform/system_library.hpp)"
    bad=1
  fi
done
exit $bad
