#!/usr/bin/env bash
# stop.sh DIR
# Ends the devserver that start.sh started for DIR: SIGTERM, then SIGKILL when it is still
# there after 10 s. Nothing is removed: the record, the log and the pid file stay for whoever
# wants to read them (start.sh clears them for the next run).
set -euo pipefail

dir=${1:?usage: stop.sh DIR}
[[ -s $dir/pid ]] || exit 0  # nothing was started
dir=$(cd "$dir" && pwd)
pid=$(cat "$dir/pid")

# Alive and not a zombie: an orphaned server is reaped by whatever adopted it, which in a
# container may never happen, and a zombie must not be waited for.
running() {
  local state
  # The state follows the command name, which is in parentheses and may hold spaces.
  state=$(sed -E 's/^.*\) ([A-Za-z]).*$/\1/' "/proc/$pid/stat" 2>/dev/null) || return 1
  [[ -n $state && $state != Z ]]
}

# The pid may have been reused since: only a process started for this folder is ours.
ours() {
  tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF -- "--port-file $dir/port "
}

if running && ours; then
  kill -TERM "$pid" 2>/dev/null || true
  for ((i = 0; i < 200; i++)); do
    running || break
    sleep 0.05
  done
  if running; then
    echo "stop.sh: devserver $pid ignored SIGTERM for 10 s; killing it" >&2
    kill -KILL "$pid" 2>/dev/null || true
  fi
fi
