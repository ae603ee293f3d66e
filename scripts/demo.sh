#!/usr/bin/env bash
# Runs corvald-setup.exe under Wine with a fresh LOCALAPPDATA and shows what it did.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
. "$root/scripts/common.sh"

bash scripts/build.sh windows >/dev/null
exe=$build_root/windows/bin/corvald-setup.exe
home=$build_root/demo/localappdata
rm -rf "$home" && mkdir -p "$home"
win_home="Z:$(sed 's|/|\\|g' <<<"$home")"

say "running corvald-setup.exe /S under Wine (LOCALAPPDATA=$win_home)"
set +e
"$wine" cmd /c "set LOCALAPPDATA=$win_home&& $(sed 's|/|\\|g' <<<"Z:$exe") /S"
code=$?
set -e
echo "exit code: $code"
echo
echo "--- app.log ---"
cat "$home/corvald-installer/logs/app.log"
echo
echo "--- crash-dump registration ---"
"$wine" reg query 'HKCU\Software\Microsoft\Windows\Windows Error Reporting\LocalDumps\corvald-setup.exe' \
  2>/dev/null | tr -d '\r' | sed '/^$/d'
