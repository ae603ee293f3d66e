#!/usr/bin/env bash
# Shows corvald-setup.exe end to end under Wine against the local devserver:
#   0. the window a user meets: a windowed install of 1.5.0, followed from outside with pictures
#      of the screen, then a failed feed and feedback sent from the window's dialog,
#   1. a clean silent install of 1.4.0,
#   2. an upgrade to 1.5.0,
#   3. the same 1.5.0 again, served from the stub's cache,
#   4. report-log mode.
# Everything lives in build/demo (fresh each run) with its own LOCALAPPDATA; the Wine prefix is
# the one from scripts/common.sh.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
# shellcheck source=scripts/common.sh
. "$root/scripts/common.sh"

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\CorvaldTavrin'
demo=$build_root/demo
home=$demo/localappdata
server_dir=$demo/devserver
releases=$build_root/windows/demo/releases
exe=$build_root/windows/bin/corvald-setup.exe
tour_exe=$build_root/windows/bin/corvald_window_tour.exe
log=$home/corvald-installer/logs/app.log

to_win() { printf 'Z:%s' "$(sed 's|/|\\|g' <<<"$1")"; }
header() { printf '\n=== %s ===\n' "$*"; }
row() { printf '  %-24s %s\n' "$1:" "$2"; }

# --- build -----------------------------------------------------------------------------------
# Only what the demo runs, in release builds: the stub, the tour, the demo application and its
# installers (the same flags as ./dev test's Windows build, which then reuses them) and the
# devserver without sanitizers.
demo_targets=(windows:corvald-setup,corvald_window_tour,corvald_demo_installers bench-server)
export CORVALD_DEVSERVER=$build_root/bench-server/bin/corvald-devserver
build() {
  local out=$demo.build.log
  mkdir -p "$build_root"
  if bash scripts/build.sh "${demo_targets[@]}" >"$out" 2>&1; then
    rm -f "$out"
    return 0
  fi
  tail -n 30 "$out" >&2
  die "the build failed (see $out)"
}
say "building what the demo runs (the first build takes a few minutes)"
build
for f in "$exe" "$tour_exe" "$CORVALD_DEVSERVER" \
  "$releases/1.4.0/Corvald-Tavrin-Setup-1.4.0.exe" "$releases/1.5.0/Corvald-Tavrin-Setup-1.5.0.exe"; do
  [[ -f $f ]] || die "missing after the build: $f"
done

# --- clean state -----------------------------------------------------------------------------
stop_server() { bash tests/devserver/stop.sh "$server_dir" >/dev/null 2>&1 || true; }
trap 'stop_server; end_wine' EXIT
stop_server # one left over from an interrupted demo
prepare_wine
rm -rf "$demo"
mkdir -p "$home" "$server_dir"
"$wine" reg delete "$uninstall_key" /f >/dev/null 2>&1 || true
win_home=$(to_win "$home")
win_exe=$(to_win "$exe")

# --- one run ---------------------------------------------------------------------------------
start_server() { # version
  local version=$1 rel=$demo/release-$1
  rm -rf "$rel" && mkdir -p "$rel"
  cp "$releases/$version/Corvald-Tavrin-Setup-$version.exe" "$rel/"
  stop_server
  bash tests/devserver/start.sh "$server_dir" --release "$rel" --release-version "$version" \
    >/dev/null || die "the devserver did not start"
  port=$(cat "$server_dir/port")
}

reg_value() { # name -> value of the uninstall entry, empty when absent
  "$wine" reg query "$uninstall_key" /v "$1" 2>/dev/null | tr -d '\r' |
    awk -v n="$1" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
}

failures=0
run() { # title version expect_cache_hit(0|1)
  local title=$1 version=$2 expect_hit=$3
  header "$title"
  start_server "$version"
  local log_start=0
  [[ -f $log ]] && log_start=$(wc -l <"$log")

  local t0 t1 code
  t0=$(date +%s.%N)
  set +e
  "$wine" cmd /c "set LOCALAPPDATA=$win_home&& set APP_INSTALLER_SERVICE_URL=http://127.0.0.1:$port&& set APP_INSTALLER_TELEMETRY_URL=http://127.0.0.1:$port/api/v2/report&& $win_exe /S" \
    >"$demo/wine-$version-$expect_hit.out" 2>&1
  code=$?
  set -e
  t1=$(date +%s.%N)

  local new
  new=$( [[ -f $log ]] && tail -n +"$((log_start + 1))" "$log" | tr -d '\r' || true)
  grab() { grep -F -- "$1" <<<"$new" | tail -n 1 | sed -E 's/^.*\] *//' || true; }
  local bytes
  bytes=$(stat -c %s "$demo/release-$version/Corvald-Tavrin-Setup-$version.exe")

  local fed
  fed=$(grep -F '[silent] feed OK' <<<"$new" | tail -n 1 | sed -E 's/.*feed OK //' || true)
  row "feed served" "$version on 127.0.0.1:$port; the stub read: ${fed:-(no 'feed OK' line)}"
  row "stub exit code" "$code"
  local gets
  gets=$(grep -c '"method":"GET","path":"[^"]*\.exe"' "$server_dir/requests.jsonl" || true)
  if grep -qF '[silent] cache HIT' <<<"$new"; then
    row "download" "none: cache HIT, $gets GET of the installer"
  else
    local how
    if grep -qF 'parallel done' <<<"$new"; then
      how="parallel ($(grab 'parallel done' | sed 's/^parallel done: *//'))"
    elif grep -qiF 'fallback' <<<"$new"; then
      how="fallback: $(grab fallback)"
    else
      how="no 'parallel done' or fallback line"
    fi
    row "downloaded" "$bytes bytes, $(grep -cF 'download attempt' <<<"$new" || true) attempt(s), $gets GET(s)"
    row "how" "$how"
    row "verify / promote" "$(grep -qF 'verify OK' <<<"$new" && echo 'verify OK' || echo 'NO verify OK'), $(grep -qF 'promoted' <<<"$new" && echo promoted || echo 'NOT promoted')"
  fi
  row "installer exit code" "$(grep -F '[silent] NSIS exit code' <<<"$new" | tail -n 1 |
    sed -E 's/.*NSIS exit code[: =]*//' || true)"
  local shown
  shown=$(reg_value DisplayVersion)
  if [[ -n $shown ]]; then
    row "uninstall entry" "DisplayVersion $shown, InstallLocation $(reg_value InstallLocation)"
  else
    row "uninstall entry" "(none)"
  fi
  row "telemetry received" "$(grep -c '"method":"POST","path":"/api/v2/report"' "$server_dir/requests.jsonl" || true) POST /api/v2/report (none expected: /S sends no telemetry by design)"
  # From the stub's launch line to the NSIS exit line, and the wall clock including Wine.
  local first last
  first=$(grep -F '[main] launched' <<<"$new" | head -n 1 | sed -E 's/^\[[0-9-]+ ([0-9:.]+)\].*/\1/')
  last=$(grep -F 'NSIS exit code' <<<"$new" | tail -n 1 | sed -E 's/^\[[0-9-]+ ([0-9:.]+)\].*/\1/')
  secs() { awk -F: '{ print $1 * 3600 + $2 * 60 + $3 }' <<<"$1"; }
  local in_log=""
  [[ -n $first && -n $last ]] && in_log="$(printf '%.2f' "$(bc <<<"$(secs "$last") - $(secs "$first")")") s in app.log, "
  row "start to installer exit" "${in_log}$(printf '%.1f s' "$(bc <<<"$t1 - $t0")") wall clock with Wine"
  echo "  --- app.log (last lines of this run) ---"
  tail -n 6 <<<"$new" | sed -E 's/^\[[0-9-]+ ([0-9:.]+)\] \[[A-Z]+\] corvald-installer - /\1 /; s/^/  | /'

  local ok=1
  [[ $code -eq 0 ]] || ok=0
  [[ $shown == "$version" ]] || ok=0
  if [[ $expect_hit == 1 ]]; then grep -qF '[silent] cache HIT' <<<"$new" || ok=0; fi
  if [[ $ok == 1 ]]; then
    echo "  result: OK"
  else
    echo "  result: FAILED (expected exit 0, DisplayVersion $version$([[ $expect_hit == 1 ]] && echo ', a cache hit'))"
    failures=$((failures + 1))
  fi
}

# --- the window: followed and driven from outside, the way UI-automation tools do ------------
window_tour() {
  header "0. the window: a windowed install of 1.5.0, then feedback from the window"
  start_server 1.5.0
  local tour_home=$demo/window-localappdata shots=$demo/screens
  mkdir -p "$tour_home" "$shots"
  row "display" "$DISPLAY"
  set +e
  "$wine" "$tour_exe" "$win_exe" "$(to_win "$tour_home")" "http://127.0.0.1:$port" "$shots" |
    tr -d '\r'
  local code=${PIPESTATUS[0]}
  set -e
  local events
  events=$(grep -o '"event_name\\":\\"[a-z_]*' "$server_dir/requests.jsonl" | sed 's/.*"//' |
    tr '\n' ' ' || true)
  row "telemetry received" "${events:-(none)}"
  local blob
  blob=$(ls "$server_dir"/storage-*.zip 2>/dev/null | head -n 1 || true)
  if [[ -n $blob ]]; then
    row "feedback archive stored" "$(stat -c %s "$blob") bytes: $(unzip -Z1 "$blob" | tr '\n' ' ')"
  else
    row "feedback archive stored" "(nothing)"
  fi
  local submit
  submit=$(grep -F '"path":"/api/voice-realtime/feedback/submit"' "$server_dir/requests.jsonl" |
    grep -o '"body":.*' | head -c 400 || true)
  row "feedback submit record" "${submit:-(none)}"
  echo "  --- app.log of the windowed runs (last lines) ---"
  tail -n 8 "$tour_home/corvald-installer/logs/app.log" | tr -d '\r' |
    sed -E 's/^\[[0-9-]+ ([0-9:.]+)\] \[[A-Z]+\] corvald-installer - /\1 /; s/^/  | /'
  # The silent runs below start from no installation.
  # The same window at 150 % display scale (144 DPI), on a display of its own half as large again.
  echo "  --- the window at 150 % display scale ---"
  bash scripts/with_display_scale.sh 144 "$wine" "$tour_exe" "$win_exe" "$(to_win "$tour_home")" \
    "http://127.0.0.1:$port" "$shots" 7-window-150-percent | tr -d '\r' || code=1
  "$wine" reg delete "$uninstall_key" /f >/dev/null 2>&1 || true
  rm -f "$server_dir"/storage-*.zip
  if [[ $code -eq 0 ]]; then
    echo "  result: OK"
  else
    echo "  result: FAILED (the tour above says what)"
    failures=$((failures + 1))
  fi
}

# --- report-log mode: the logs of the runs above go to support ----------------------------------
report() {
  header "4. report-log: this machine's logs sent to support (APP_INSTALLER_REPORT_LOG=1)"
  local log_start=0 code
  [[ -f $log ]] && log_start=$(wc -l <"$log")
  rm -f "$server_dir"/storage-*.zip
  set +e
  "$wine" cmd /c "set LOCALAPPDATA=$win_home&& set APP_INSTALLER_SERVICE_URL=http://127.0.0.1:$port&& set APP_INSTALLER_REPORT_LOG=1&& $win_exe" \
    >"$demo/wine-report.out" 2>&1
  code=$?
  set -e
  local new line
  new=$(tail -n +"$((log_start + 1))" "$log" | tr -d '\r')
  line() { grep -F -- "$1" <<<"$new" | tail -n 1 | sed -E 's/^.* - //' || true; }
  row "stub exit code" "$code"
  row "collected" "$(line '[report-log] bundle:')"
  row "archive" "$(line '[feedback] zip built:')"
  local blob
  blob=$(ls "$server_dir"/storage-*.zip 2>/dev/null | head -n 1 || true)
  if [[ -n $blob ]]; then
    row "stored by the devserver" "$(stat -c %s "$blob") bytes; unzip -t: $(unzip -tq "$blob" 2>&1 | tr -d '\n')"
    row "entries" "$(unzip -Z1 "$blob" | tr '\n' ' ')"
  else
    row "stored by the devserver" "(nothing)"
  fi
  row "submit" "$(line '[feedback] submit')"
  row "outcome" "$(line '[report-log] OK')$(line '[report-log] FAIL')"
  if [[ $code -eq 0 && -n $blob ]] && unzip -tq "$blob" >/dev/null 2>&1; then
    echo "  result: OK"
  else
    echo "  result: FAILED (expected exit 0 and a stored archive that unzip accepts)"
    failures=$((failures + 1))
  fi
}

say "demo folder $demo, LOCALAPPDATA=$win_home, WINEPREFIX=$WINEPREFIX"
runs() {
  window_tour
  run "1. fresh install of 1.4.0" 1.4.0 0
  run "2. upgrade to 1.5.0" 1.5.0 0
  run "3. 1.5.0 again (cached installer)" 1.5.0 1
  report
}
# Each part reports its own failure and the next still runs, so errexit is off for them.
set +e
timed "runs" runs
set -e

header "summary"
if [[ $failures -eq 0 ]]; then
  echo "  all 5 parts OK"
else
  echo "  $failures of 5 parts FAILED (outputs in $demo)"
fi
print_phases
[[ $failures -eq 0 ]]
