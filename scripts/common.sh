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
