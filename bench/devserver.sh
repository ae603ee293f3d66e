# The devserver of the benchmarks, sourced by bench/*.sh after scripts/common.sh: one server at
# a time, started and stopped by the same scripts as the tests' (tests/devserver), so a server
# that ends early or never listens is noticed the same way. Needs $server, the binary to run.
server_dir=
server_origin=

# start_server DIR [devserver arguments...]: its port file, log and request record go to DIR
# (the record's folder is also where it stores uploaded archives). Sets server_origin.
start_server() {
  stop_server
  server_dir=$1
  shift
  CORVALD_DEVSERVER=$server bash "$root/tests/devserver/start.sh" "$server_dir" "$@" >/dev/null ||
    die "the devserver did not start"
  server_origin="http://127.0.0.1:$(cat "$server_dir/port")"
}

# Safe to call when no server runs, so cleanup traps can call it too.
stop_server() {
  [[ -n $server_dir ]] || return 0
  bash "$root/tests/devserver/stop.sh" "$server_dir" || true
  server_dir=
}
