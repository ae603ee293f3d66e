# The devserver of the benchmarks, sourced by bench/*.sh after scripts/common.sh: one server at
# a time, in the background on a free port. Needs $server, the binary to run.
server_pid=
server_origin=

# start_server DIR [devserver arguments...]: its port file, log and request record go to DIR
# (the record's folder is also where it stores uploaded archives). Sets server_origin.
start_server() {
  local dir=$1
  shift
  mkdir -p "$dir"
  rm -f "$dir/port"
  "$server" --port 0 --port-file "$dir/port" --record "$dir/requests.jsonl" "$@" \
    </dev/null >"$dir/devserver.log" 2>&1 &
  server_pid=$!
  for ((i = 0; i < 1200; i++)); do
    [[ -s $dir/port ]] && break
    kill -0 "$server_pid" 2>/dev/null || die "the devserver ended: $(cat "$dir/devserver.log")"
    sleep 0.05
  done
  [[ -s $dir/port ]] || die "the devserver did not start"
  server_origin="http://127.0.0.1:$(cat "$dir/port")"
}

# Safe to call when no server runs, so cleanup traps can call it too.
stop_server() {
  [[ -n $server_pid ]] || return 0
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  server_pid=
}
