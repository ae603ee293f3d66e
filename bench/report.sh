#!/usr/bin/env bash
# ./dev bench report: report-log mode (APP_INSTALLER_REPORT_LOG=1) under Wine against the
# devserver, all in one run:
#   (1) the archive it uploads after a day of real runs of corvald-setup.exe and one crash dump,
#       beside Python's zipfile storing and deflating the same files;
#   (2) how long it takes, beside the start of a trivial program through the same wrapper and
#       curl doing the same three exchanges with the same archive.
# Wine writes no WER dumps, so bench/dump_stub.exe writes the full-memory dump of a busy stub
# (a capped download) the way WER would name it.
#
# Everything runs in a copy of the Wine prefix under /tmp with its own LOCALAPPDATA, so the
# shared prefix gets no install, registry key or file from here.
# CORVALD_BENCH_SKIP_BUILD=1 uses what is built.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
# shellcheck source=scripts/common.sh
. "$root/scripts/common.sh"
. "$root/bench/devserver.sh"

if [[ ${CORVALD_BENCH_SKIP_BUILD:-0} != 1 ]]; then
  bash scripts/build.sh bench-server windows >&2
fi
# The devserver without sanitizers, as in bench/download.sh.
server=$build_root/bench-server/bin/corvald-devserver
stub=$build_root/windows/bin/corvald-setup.exe
dumper=$build_root/windows/bin/dump_stub.exe
demo_release=$build_root/windows/demo/releases/1.5.0
for f in "$server" "$stub" "$dumper" "$demo_release/Corvald-Tavrin-Setup-1.5.0.exe"; do
  [[ -f $f ]] || die "$f is not built"
done
for tool in curl python3 openssl; do command -v $tool >/dev/null || die "$tool is missing"; done
[[ -d $WINEPREFIX ]] || die "no Wine prefix at $WINEPREFIX (./dev setup makes it)"

runs=5           # report-log runs per case; medians are printed
cap=10485760     # the bundle's per-file cap (kMaxBundleFileSize)
work=$(mktemp -d /tmp/corvald-bench-report.XXXXXX)
cleanup() {
  stop_server
  if [[ -d $work/prefix ]]; then
    WINEPREFIX=$work/prefix "$wineserver" -k 2>/dev/null || true
    WINEPREFIX=$work/prefix "$wineserver" -w 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

say "copying the Wine prefix to $work/prefix"
cp -a "$WINEPREFIX" "$work/prefix"
export WINEPREFIX=$work/prefix
"$wineserver" -p  # one Wine start-up for all runs, not one per run

lad=$work/localappdata
logs=$lad/corvald-installer/logs
dumps=$lad/CrashDumps
mkdir -p "$lad"
to_win() { printf 'Z:%s' "${1//\//\\}"; }
win_stub=$(to_win "$stub")
win_dumper=$(to_win "$dumper")
now() { date +%s.%N; }
ms_since() { printf '%.0f\n' "$(echo "($(now) - $1) * 1000" | bc -l)"; }
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.0f\n", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mib() { echo "scale=1; $1 / 1048576" | bc -l; }
row() { printf '  %-52s %12s %-8s %s\n' "$@"; }

# LOCALAPPDATA comes from the prefix's registry in every Wine process, so the variables are set
# by cmd inside Wine, as a user's shell would; the trivial peer goes through the same cmd.
in_wine() {  # EXTRA_SETS COMMAND_LINE
  "$wine" cmd /c "set LOCALAPPDATA=$(to_win "$lad")&& set APP_INSTALLER_SERVICE_URL=$server_origin&& set APP_INSTALLER_TELEMETRY_URL=$server_origin/api/v2/report&& $1$2" \
    >>"$work/wine.out" 2>&1
}

# The stub's log lines in time order, whatever hourly rotation did meanwhile.
log_lines() { cat "$logs"/app.log* | tr -d '\r' | sort -s -k1,2; }
# The last line of the latest run holding TEXT, without its time stamp; fails when none does.
last_line() {
  log_lines | awk '/=== new run/ { n = 0 } { line[++n] = $0 } END { for (i = 1; i <= n; i++) print line[i] }' |
    grep -F -- "$1" | tail -n 1 | sed 's/^.* - //'
}
# The last report-log run by its own log, in ms: "[report-log] start" to "[report-log] OK", and
# its steps: to the granted upload URL (client id, bundle, GET), the PUT, the submit.
log_ms() {
  log_lines | awk '
    function ms(t, f) { split(substr(t, 1, length(t) - 1), f, ":"); return (f[1] * 3600 + f[2] * 60 + f[3]) * 1000 }
    function d(a, b) { return b - a < 0 ? b - a + 86400000 : b - a }
    /\[report-log\] start/ { s = ms($2); g = q = u = e = "" }
    /\[feedback\] upload URL granted/ { g = ms($2) }
    /\[feedback\] blob PUT OK/ { q = ms($2) }
    /\[feedback\] submit / { u = ms($2) }
    /\[report-log\] OK/ { e = ms($2) }
    END { if (e == "") exit 1; printf "%.0f %.0f %.0f %.0f", d(s, e), d(s, g), d(g, q), d(q, u) }'
}

# Runs report-log mode $runs times as CASE. Each run adds "wall own grant put submit" (ms) to
# $work/CASE.times; the first keeps its archive as $work/CASE.zip and its bundle lines.
report_case() {  # CASE
  local i t0 wall steps
  for ((i = 1; i <= runs; i++)); do
    t0=$(now)
    in_wine "set APP_INSTALLER_REPORT_LOG=1&& " "$win_stub" ||
      die "report-log failed: $(last_line '[report-log]')"
    wall=$(ms_since "$t0")
    steps=$(log_ms) || die "no '[report-log] OK' in app.log"
    echo "$wall $steps" >>"$work/$1.times"
    if ((i == 1)); then
      cp "$(ls -v "$srv"/storage-*.zip | tail -n 1)" "$work/$1.zip"
      { last_line '[feedback] zip built'; last_line '[feedback] skip' || true; } >"$work/$1.lines"
    fi
  done
}
col() { cut -d' ' -f"$2" "$work/$1.times" | median; }  # CASE COLUMN
wall_of() { col "$1" 1; }

# Python's zipfile over the entries of ZIP plus EXTRA files: entries, stored and deflated sizes,
# of the entries alone and of all, and the deflated size of each extra file.
zip_peers() {  # ZIP [EXTRA...]
  python3 - "$work/peer.zip" "$@" <<'PY'
import os, sys, zipfile
out, ours, extras = sys.argv[1], sys.argv[2], sys.argv[3:]
with zipfile.ZipFile(ours) as z:
    if z.testzip() is not None:
        sys.exit("the stub's archive fails its CRC check")
    entries = [(i.filename, z.read(i)) for i in z.infolist()]
def size(items, method):
    with zipfile.ZipFile(out, "w", method) as z:
        for name, data in items:
            z.writestr(name, data)
    return os.path.getsize(out)
files = [(os.path.basename(p), open(p, "rb").read()) for p in extras]
print("entries", len(entries))
print("stored_same", size(entries, zipfile.ZIP_STORED))
print("deflated_same", size(entries, zipfile.ZIP_DEFLATED))
if files:
    print("stored_all", size(entries + files, zipfile.ZIP_STORED))
    print("deflated_all", size(entries + files, zipfile.ZIP_DEFLATED))
    with zipfile.ZipFile(out) as z:
        for name, _ in files:
            print("deflated_extra", z.getinfo(name).compress_size)
PY
}
peer() { sed -n "s/^$1 //p" <<<"$peers" | head -n 1; }

# curl doing the stub's three exchanges with ZIP; prints ms.
curl_report() {  # ZIP
  local t0 grant url
  t0=$(now)
  grant=$(curl -sf -H 'Accept: application/json' \
    "$server_origin/api/voice-realtime/feedback/get-upload-url?file_type=log&client_id=$cuid")
  url=$(sed -n 's/.*"upload_url":"\([^"]*\)".*/\1/p' <<<"$grant")
  curl -sf -o /dev/null -T "$1" -H 'Expect:' -H 'x-ms-blob-type: BlockBlob' \
    -H 'Content-Type: application/zip' "$url"
  curl -sf -o /dev/null -H 'Content-Type: application/json' \
    -d "{\"feedback_type\":\"debug_log\",\"client_id\":\"$cuid\",\"blob_path\":\"${url%%\?*}\",\"file_format\":\"zip\"}" \
    "$server_origin/api/voice-realtime/feedback/submit"
  ms_since "$t0"
}

bench_start=$(now)

# --- a day of logs ---------------------------------------------------------------------------
say "a day of runs: install 1.5.0, two cache hits"
start_server "$work/srv-day" --release "$demo_release" --release-version 1.5.0
for i in 1 2 3; do in_wine "" "$win_stub /S" || die "silent run $i failed: $(last_line '[main]')"; done
[[ $(log_lines | grep -cF '[main] silent flow done, exit code 0') == 3 ]] || die "a silent run did not finish"
stop_server

say "a crash: 1.6.0 published (64 MiB, capped download), dumped 3 s into the run; a second start meanwhile"
mkdir -p "$work/rel"
openssl enc -aes-128-ctr -nosalt -K "$(openssl rand -hex 16)" -iv 0 -in /dev/zero 2>/dev/null |
  head -c $((64 << 20)) >"$work/rel/Corvald-Tavrin-Setup-1.6.0.exe" || true
srv=$work/srv
start_server "$srv" --release "$work/rel" --release-version 1.6.0 --rate 524288
in_wine "" "$win_dumper 3 $win_stub /S" &
dump_job=$!
sleep 1.5
in_wine "" "$win_stub /S" || true  # refused: another instance is running
wait "$dump_job" || die "dump_stub failed: $(tail -n 3 "$work/wine.out")"
dump_out=$(grep '^dump ' "$work/wine.out" | tr -d '\r' | tail -n 1)
field() { sed -n "s/.* $1=\\([^ ]*\\).*/\\1/p" <<<"$dump_out"; }
dump_kind=$(sed -n 's/^dump type=\([a-z]*\).*/\1/p' <<<"$dump_out")
dump=$(ls "$dumps"/*.dmp)
normal=$work/normal.dmp
mv "$dumps"/*.normal "$normal"
grep -qF 'another instance is already running' <(log_lines) || die "the second start was not refused"
cuid=$(cat "$lad/corvald-installer/stub-cuid")
log_files=("$logs"/app.log*)
log_bytes=$(cat "${log_files[@]}" | wc -c)
day_runs=$(log_lines | grep -cF '=== new run')

# --- (1) and (2): report-log with the full dump, with logs only, with a MiniDumpNormal ----------
say "report-log: $runs runs with the full dump, $runs with logs only, $runs with a MiniDumpNormal"
report_case full
mv "$dump" "$work/full.dmp"
report_case logs
cp "$normal" "$dump"
report_case normal

say "peers: start of a trivial program, curl, Python's zipfile"
for ((i = 1; i <= runs; i++)); do
  t0=$(now)
  in_wine "" "$win_dumper exit"
  ms_since "$t0" >>"$work/wrapped.times"
  t0=$(now)
  "$wine" "$dumper" exit
  ms_since "$t0" >>"$work/bare.times"
done
for case in full logs normal; do
  for ((i = 1; i <= runs; i++)); do curl_report "$work/$case.zip" >>"$work/$case.curl"; done
done

peers=$(zip_peers "$work/full.zip" "$work/full.dmp")
full_entries=$(peer entries)
full_stored_same=$(peer stored_same) full_deflated_same=$(peer deflated_same)
full_stored_all=$(peer stored_all) full_deflated_all=$(peer deflated_all)
full_dump_deflated=$(peer deflated_extra)
peers=$(zip_peers "$work/normal.zip")
normal_entries=$(peer entries) normal_stored=$(peer stored_same) normal_deflated=$(peer deflated_same)
full_bytes=$(stat -c %s "$work/full.dmp")
normal_bytes=$(stat -c %s "$normal")
over() { if (($1 > cap)); then echo "OVER the $cap B cap"; else echo "fits the $cap B cap"; fi; }
bytes() { stat -c %s "$1"; }
stub_lines() { sed 's/^/    stub: /' "$work/$1.lines"; }
if [[ $dump_kind == full ]]; then
  dump_label="crash dump, full memory (written in $(field seconds) s)"
else
  dump_label="crash dump: full FAILED (error $(field full_error)), MiniDumpNormal"
fi
wrapped=$(median <"$work/wrapped.times")

echo
echo "Report benchmark (report-log mode under Wine, loopback devserver, one run)"
echo
echo "(1) the report archive after a day of logs and one crash dump"
row "" value unit ""
row "day of logs: app.log* ($day_runs runs, ${#log_files[@]} file)" "$log_bytes" B ""
row "$dump_label" "$full_bytes" B "$(mib "$full_bytes") MiB, $(over "$full_bytes")"
row "stub's archive as uploaded (storage zip)" "$(bytes "$work/full.zip")" B "$full_entries entries"
stub_lines full
row "peer: zipfile ZIP_STORED, same entries" "$full_stored_same" B ""
row "peer: zipfile ZIP_DEFLATED, same entries" "$full_deflated_same" B ""
row "peer: zipfile ZIP_STORED, logs + dump" "$full_stored_all" B "$(mib "$full_stored_all") MiB"
row "peer: zipfile ZIP_DEFLATED, logs + dump" "$full_deflated_all" B "$(mib "$full_deflated_all") MiB"
row "peer: the dump alone, deflated" "$full_dump_deflated" B \
  "$(mib "$full_dump_deflated") MiB, $(over "$full_dump_deflated")"
echo "  the same moment as MiniDumpNormal instead (the logs hold $((2 * runs)) more report-log runs by then):"
row "MiniDumpNormal of the same process" "$normal_bytes" B "$(over "$normal_bytes")"
row "stub's archive, logs + MiniDumpNormal" "$(bytes "$work/normal.zip")" B "$normal_entries entries"
stub_lines normal
row "peer: zipfile ZIP_STORED, same entries" "$normal_stored" B ""
row "peer: zipfile ZIP_DEFLATED, same entries" "$normal_deflated" B ""

echo
echo "(2) report-log mode against the devserver, median of $runs (wall: the whole Wine process)"
row "" ms "" ""
full_what="logs + full dump ($(grep -q 'skip' "$work/full.lines" && echo skipped || echo uploaded))"
for case in full logs normal; do
  case $case in
    full) what=$full_what ;;
    logs) what="logs only" ;;
    normal) what="logs + MiniDumpNormal" ;;
  esac
  echo "  $what, $(bytes "$work/$case.zip") B zip"
  row "  stub: wall" "$(wall_of $case)" ms ""
  row "  stub: in its own log" "$(col $case 2)" ms \
    "to grant $(col $case 3), PUT $(col $case 4), submit $(col $case 5)"
  row "  stub: wall above the trivial start" "$(($(wall_of $case) - wrapped))" ms ""
  row "  peer: curl, same 3 exchanges, same zip" "$(median <"$work/$case.curl")" ms "3 curl processes"
done
row "peer: trivial program, same cmd /c wrapper" "$wrapped" ms ""
row "peer: trivial program, bare wine64" "$(median <"$work/bare.times")" ms ""
echo
echo "total run $(printf %.0f "$(echo "$(now) - $bench_start" | bc -l)") s (not counting the build and the prefix copy)"
