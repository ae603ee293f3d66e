#!/usr/bin/env bash
# usage: planting_test.sh WINE TEST_PROGRAM WORK_DIR
# Starts the planting scenario (planting_test.cpp) with what Wine reads from the Linux
# environment alone: every DLL of loaded_dlls.txt that is neither on known_dlls.txt nor on
# process_start_dlls.txt set to load native first, that is from the program's own folder when
# a copy lies there, and a trace of every DLL load ("+pid,+loaddll") for the scenario to read
# per process.
#
# With CORVALD_PLANTING_RECORD=1 the DLLs the stub's runs loaded replace loaded_dlls.txt
# (whether or not the scenario passed), the way to regenerate that list:
#   CORVALD_PLANTING_RECORD=1 ./dev test PlantingE2eTest
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
wine=$1
program=$2
work=$3

names_in() { sed -e 's/#.*//' -e 's/[[:space:]]//g' "$1" | tr '[:upper:]' '[:lower:]' | grep -v '^$' || true; }
mapfile -t expected < <(names_in "$here/loaded_dlls.txt")
mapfile -t planted < <(comm -23 <(printf '%s\n' "${expected[@]}" | sort -u) \
                                <(cat <(names_in "$here/known_dlls.txt") \
                                      <(names_in "$here/process_start_dlls.txt") | sort -u))
[ ${#planted[@]} -gt 0 ] || { echo "nothing to plant: loaded_dlls.txt is empty" >&2; exit 1; }

mkdir -p "$work"
# An https server of its own for the run that meets TLS: the stub refuses its self-made
# certificate, but only after the security packages have been loaded.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/tls.key" -out "$work/tls.crt" \
  -days 1 -subj /CN=127.0.0.1 >/dev/null 2>&1
openssl s_server -accept 127.0.0.1:0 -key "$work/tls.key" -cert "$work/tls.crt" -www \
  > "$work/tls.log" 2>&1 &
tls_pid=$!
trap 'kill $tls_pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do grep -q '^ACCEPT' "$work/tls.log" && break; sleep 0.1; done
tls_port=$(sed -n 's/^ACCEPT .*:\([0-9]*\)$/\1/p' "$work/tls.log")
[ -n "$tls_port" ] || { echo "the https server did not start" >&2; exit 1; }

trace=$work/loaddll.trace
observed=$work/observed_dlls.txt
rm -f "$trace" "$observed"
: > "$trace"
join() { local IFS=,; echo "$*"; }
overrides=$(join "${planted[@]%.dll}")
echo "planted: ${planted[*]}"

status=0
CORVALD_PLANTED=$(join "${planted[@]}") CORVALD_PLANTING_EXPECTED=$(join "${expected[@]}") \
CORVALD_PLANTING_TRACE=$trace CORVALD_PLANTING_OBSERVED=$observed \
CORVALD_PLANTING_HTTPS=https://127.0.0.1:$tls_port \
WINEDLLOVERRIDES="$overrides=n,b" WINEDEBUG=-all,+pid,+loaddll \
  "$wine" "$program" 2>"$trace" || status=$?

if [ "${CORVALD_PLANTING_RECORD:-}" = 1 ]; then
  [ -s "$observed" ] || { echo "the scenario recorded no DLL" >&2; exit 1; }
  {
    sed -n '/^#/p' "$here/loaded_dlls.txt"
    cat "$observed"
  } > "$here/loaded_dlls.txt.new"
  mv "$here/loaded_dlls.txt.new" "$here/loaded_dlls.txt"
  echo "recorded $(wc -l < "$observed") DLLs into $here/loaded_dlls.txt"
  exit 0
fi
exit $status
