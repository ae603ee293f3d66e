# Shared settings of the ./dev commands.
say() { printf '==> %s\n' "$*" >&2; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

build_root=$root/build
deps_cache=${CORVALD_DEPS_CACHE:-/var/cache/corvald-setup-deps}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEPREFIX=${WINEPREFIX:-$build_root/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64

# The most the stripped, unsigned stub may weigh, for it is a download: ./dev release refuses a
# heavier one, ./dev test holds every build to it, ./dev bench size measures against it.
stub_size_limit=900000

# A private Xvfb for windowed runs: the first free display from :90 on, exported as DISPLAY,
# 1024x768 unless a size is given. The caller stops it with stop_display.
xvfb_pid=
start_display() {
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "${1:-1024x768}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  local i
  for i in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  [ -e "/tmp/.X11-unix/X$n" ] || die "Xvfb did not start on :$n"
  export DISPLAY=":$n"
}
stop_display() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=
}

# Wine's desktop lives as long as its server and stays on the display the server began on, so a
# server left from the set-up or an earlier run goes first, then the display comes ("own": a
# private one, of the given size, even when DISPLAY is set), then a persistent server and Wine's
# service processes, started here detached from any pipe: started by the first program instead,
# they would inherit its output and keep whoever waits for that output (ctest) waiting.
prepare_wine() { # [own [WIDTHxHEIGHT]]
  stop_wine
  if [ "${1:-}" = own ] || [ -z "${DISPLAY:-}" ]; then start_display "${2:-}"; fi
  "$wineserver" -p </dev/null >/dev/null 2>&1 || true
  "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
}
stop_wine() {
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
}
end_wine() {
  stop_wine
  stop_display
}

# How long each step of a ./dev command took. The command names a file in CORVALD_PHASE_LOG;
# every script it runs adds "phase<TAB>seconds" lines there, and print_phases shows them at the
# end beside the wall clock since the command began (steps that overlap add up to more).
timed() { # phase command... : runs the command and records its time, keeping its status
  local phase=$1 start status=0
  shift
  start=$(date +%s)
  # Never "command || status=$?": bash switches errexit off for everything such a command runs,
  # functions included, so a step failing halfway would go on to the next. Under errexit a
  # failing command ends the script where it failed; without errexit the status is kept.
  "$@"
  status=$?
  [ -n "${CORVALD_PHASE_LOG:-}" ] && printf '%s\t%s\n' "$phase" "$(($(date +%s) - start))" \
    >>"$CORVALD_PHASE_LOG"
  return "$status"
}
print_phases() {
  [ -s "${CORVALD_PHASE_LOG:-}" ] || return 0
  local began=${CORVALD_PHASE_START:-$(date +%s)}
  echo
  echo "phase times:"
  awk -F'\t' '{ printf "  %-28s %3dm %02ds\n", $1, $2 / 60, $2 % 60 }' "$CORVALD_PHASE_LOG"
  awk -v s=$(($(date +%s) - began)) 'BEGIN { printf "  %-28s %3dm %02ds\n", "wall clock", s / 60, s % 60 }'
}
