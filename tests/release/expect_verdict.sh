# Sourced by the release tests. `expect accept|refuse DESCRIPTION COMMAND...` runs the command,
# prints "ok" or "FAILED" with the command's output, and counts failures in $failures; the
# output of the last command is kept in $verdict_log, which the caller sets.
failures=0
expect() {
  local want=$1 what=$2 got
  shift 2
  if "$@" >"$verdict_log" 2>&1; then got=accepted; else got=refused; fi
  if [ "$got" = "${want%e}ed" ]; then
    echo "ok      $what: $got"
  else
    echo "FAILED  $what: $got, expected it ${want%e}ed"
    sed 's/^/        /' "$verdict_log"
    failures=$((failures + 1))
  fi
}
