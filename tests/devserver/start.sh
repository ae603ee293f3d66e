#!/usr/bin/env bash
# start.sh DIR [devserver arguments...]
# Starts corvald-devserver in the background for a ctest fixture: port 0, DIR/port,
# DIR/requests.jsonl, DIR/pid, and the server's own output in DIR/devserver.log. Returns once
# the server accepts connections. Fails at once when the server ends early, and when it is not
# listening after $CORVALD_DEVSERVER_START_SECONDS (default 60: the server hashes the release
# before it listens, which takes seconds for the 1 GiB benchmark files).
set -euo pipefail

dir=${1:?usage: start.sh DIR [devserver arguments...]}
shift
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
server=${CORVALD_DEVSERVER:-$repo/build/native/bin/corvald-devserver}
start_seconds=${CORVALD_DEVSERVER_START_SECONDS:-60}

if [[ ! -x $server ]]; then
  echo "start.sh: $server is not built (build the native preset first)" >&2
  exit 1
fi
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
# Only a process started for this folder counts: the pid may have been reused since.
old_pid=$(cat "$dir/pid" 2>/dev/null || true)
if [[ -n $old_pid ]] &&
  tr '\0' ' ' <"/proc/$old_pid/cmdline" 2>/dev/null | grep -qF -- "--port-file $dir/port "; then
  echo "start.sh: devserver $old_pid still serves $dir; run stop.sh first" >&2
  exit 1
fi
# A port file left from an earlier run would send the tests to a server that is gone, and old
# record lines would be read as this run's.
rm -f "$dir/port" "$dir/pid"
: >"$dir/requests.jsonl"

# The server must not keep this script's stdout and stderr open: ctest waits for those pipes
# to close before it counts the setup test as finished.
"$server" --port 0 --port-file "$dir/port" --record "$dir/requests.jsonl" "$@" \
  </dev/null >"$dir/devserver.log" 2>&1 &
pid=$!
echo "$pid" >"$dir/pid"

for ((i = 0; i < start_seconds * 20; i++)); do
  if [[ -s $dir/port ]]; then
    echo "devserver $pid listening on http://127.0.0.1:$(cat "$dir/port")"
    exit 0
  fi
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "start.sh: the devserver ended before listening:" >&2
    cat "$dir/devserver.log" >&2
    exit 1
  fi
  sleep 0.05
done
echo "start.sh: no port file after $start_seconds s; stopping the devserver" >&2
kill -KILL "$pid" 2>/dev/null || true
cat "$dir/devserver.log" >&2
exit 1
