#!/bin/bash
# A window that cannot be built: with the Windows Imaging Component disabled the logo cannot be
# decoded, so corvald-setup.exe must log "[FAIL] UI: ...", exit with 1 and never start the
# worker (no feed request reaches the devserver). A shell scenario, because Wine takes a DLL
# override only from the Linux environment of the process it starts.
#   ui_build_failure_test.sh STUB_EXE DEVSERVER_DIR WORK_DIR
set -u
exe=$1 devserver_dir=$2 work=$3
wine=/usr/lib/wine/wine64
fail() { echo "FAILED: $*"; [ -f "$log" ] && cat "$log"; exit 1; }

rm -rf "$work" && mkdir -p "$work"
log=$work/corvald-installer/logs/app.log
base=http://127.0.0.1:$(cat "$devserver_dir/port")
curl -sf -X POST "$base/__control/reset" >/dev/null || fail "devserver reset"

# Wine overrides LOCALAPPDATA from Linux, so it is set on the Windows side; cmd passes the
# stub's exit code back.
WINEDLLOVERRIDES=windowscodecs=d APP_INSTALLER_SERVICE_URL=$base APP_INSTALLER_LOCALE=en \
  timeout 60 "$wine" cmd /c "set LOCALAPPDATA=Z:${work//\//\\}&& Z:${exe//\//\\}" </dev/null
code=$?
[ "$code" -eq 1 ] || fail "exit code $code, 1 expected"
grep -q '\[FAIL\] UI: creating the imaging factory failed' "$log" || fail "no [FAIL] UI line"
! grep -q '\[worker\]\|worker start' "$log" || fail "the worker ran"
requests=$(curl -sf "$base/__control/requests") || fail "devserver requests"
! grep -q 'last\.yml' <<<"$requests" || fail "the feed was requested"
echo "PASSED: exit 1, [FAIL] UI logged, no worker, no feed request"
