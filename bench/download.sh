#!/usr/bin/env bash
# ./dev bench download: the download engine under Wine beside aria2c, curl and WinHTTP's own
# ceiling, all against one devserver on loopback in the same run, plus the digest beside
# openssl and the engine's memory beside an idle process of the same program.
#
# CORVALD_BENCH_SKIP_BUILD=1 uses what is built; CORVALD_DEVSERVER and CORVALD_BENCH_EXE name
# other builds than build/bench-server and build/windows.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
. "$root/scripts/common.sh"
. "$root/bench/devserver.sh"

if [[ ${CORVALD_BENCH_SKIP_BUILD:-0} != 1 ]]; then
  bash scripts/build.sh bench-server windows >&2
fi
# The devserver without sanitizers: with them it takes CPU that the client under test needs.
server=${CORVALD_DEVSERVER:-$build_root/bench-server/bin/corvald-devserver}
exe=${CORVALD_BENCH_EXE:-$build_root/windows/bin/download_bench.exe}
[[ -x $server ]] || die "$server is not built"
[[ -f $exe ]] || die "$exe is not built"
for tool in aria2c curl openssl; do command -v $tool >/dev/null || die "$tool is missing"; done

mib=1048576
cap=$((8 * mib))  # per connection
work=$(mktemp -d "${TMPDIR:-/tmp}/corvald-bench-download.XXXXXX")
cleanup() {
  stop_server
  rm -rf "$work"
}
trap cleanup EXIT
"$wineserver" -p 2>/dev/null || true  # one Wine start-up for all runs, not one per run

now() { date +%s.%N; }
# Random bytes, so nothing on the way can compress or deduplicate them.
make_release() {  # DIR MiB
  mkdir -p "$1"
  openssl enc -aes-128-ctr -nosalt -K "$(openssl rand -hex 16)" -iv 0 -in /dev/zero 2>/dev/null |
    head -c $(($2 * mib)) >"$1/Corvald-Tavrin-Setup-1.5.0.exe" || true
}

# Serves RELEASE_DIR as version 1.5.0; sets url, sha512 and size from the feed it serves.
start_release_server() {  # RELEASE_DIR [devserver args...]
  local dir=$1
  shift
  start_server "$work/server" --release "$dir" --release-version 1.5.0 "$@"
  local base="$server_origin/api/voice-realtime/checkupdate/win-x64" feed
  url="$base/Corvald-Tavrin-Setup-1.5.0.exe"
  feed=$(curl -s "$base/last.yml")
  sha512=$(sed -n 's/^sha512: //p' <<<"$feed")
  size=$(sed -n 's/^size: //p' <<<"$feed")
}


# Runs the bench program under Wine and samples the peak resident size of its process
# (VmHWM only grows, so the last sample before the exit is the peak to within 50 ms).
# Sets out (its stdout) and hwm_kib.
run_exe() {
  rm -f "$work/exe.out"
  "$wine" "$exe" "$@" >"$work/exe.out" 2>"$work/exe.err" &
  local pid=$! sample
  hwm_kib=0
  while kill -0 "$pid" 2>/dev/null; do
    sample=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
    [[ -n $sample ]] && hwm_kib=$sample
    sleep 0.05
  done
  wait "$pid" || die "download_bench $1 failed: $(cat "$work/exe.err")"
  out=$(tr -d '\r' <"$work/exe.out")  # a Windows program ends its lines with CR LF
}
field() { sed -n "s/.*$1=\\([^ ]*\\).*/\\1/p" <<<"$out" | head -n1; }

# The engine's download of the current release into a fresh folder; sets secs, engine_n.
engine_run() {
  rm -rf "$work/engine"
  mkdir -p "$work/engine"
  run_exe engine "$url" "$size" "$sha512" "Z:$work/engine"
  secs=$(field seconds)
  transfer_secs=$(field transfer_seconds)
  verified_after=$(field verified_after_seconds)
  verified_at_most=$(field verified_after_at_most)
  engine_n=$(sed -n 's/.* N=\([0-9]*\).*/\1/p' <<<"$out" | head -n1)
  engine_summary=$(sed -n 's/^summary //p' <<<"$out")
}

aria_run() {
  rm -rf "$work/aria"
  local t0
  t0=$(now)
  aria2c -x6 -s6 -k8M -q --file-allocation=falloc --allow-overwrite=true \
    -d "$work/aria" -o out.bin "$url"
  secs=$(echo "$(now) - $t0" | bc -l)
  cmp -s "$work/aria/out.bin" "$release" || die "aria2c got other bytes"
  rm -rf "$work/aria"
}

curl_run() {
  local t0
  t0=$(now)
  curl -s -o "$work/curl.bin" "$url"
  secs=$(echo "$(now) - $t0" | bc -l)
  cmp -s "$work/curl.bin" "$release" || die "curl got other bytes"
  rm -f "$work/curl.bin"
}

# Probe of min(size, 4 MiB) at the cap, then the 8 MiB ranges, each at the cap, handed in
# order to whichever of the N workers is free first: the engine's own plan on an ideal link.
schedule_bound() {  # SIZE N RATE
  awk -v size="$1" -v n="$2" -v rate="$3" 'BEGIN {
    probe = size < 4194304 ? size : 4194304
    for (w = 0; w < n; w++) free[w] = 0
    for (first = probe; first < size; first += 8388608) {
      len = size - first < 8388608 ? size - first : 8388608
      best = 0
      for (w = 1; w < n; w++) if (free[w] < free[best]) best = w
      free[best] += len / rate
    }
    end = 0
    for (w = 0; w < n; w++) if (free[w] > end) end = free[w]
    printf "%.2f", probe / rate + end
  }'
}

mibps() { echo "scale=1; $1 / $mib / $2" | bc -l; }
ratio() { echo "scale=2; $1 / $2" | bc -l; }
row() { printf '  %-50s %10s %10s %s\n' "$@"; }

say "writing 256 MiB and 1 GiB release files in $work"
make_release "$work/rel256" 256
make_release "$work/rel1g" 1024
bench_start=$(now)

echo
echo "Download benchmark (loopback devserver, one run; seconds and MiB/s of each tool)"
echo "The engine's figures include verification and promotion; aria2c and curl verify nothing."
echo "\"verified after\" runs from the progress report of the last byte to the verified file in"
echo "place; the monitor behind that report looks every 100 ms, so it is given from the report"
echo "of the last byte and, as \"at most\", from the report before it."
echo
echo "(1) capped at $((cap / mib)) MiB/s per connection"
row "" seconds MiB/s ""
for rel in rel256 rel1g; do
  release="$work/$rel/Corvald-Tavrin-Setup-1.5.0.exe"
  say "capped: $rel"
  start_release_server "$work/$rel" --rate "$cap"
  label="$(($(stat -c %s "$release") / mib)) MiB"
  engine_run
  engine_secs=$secs
  n=${engine_n:-6}
  row "$label engine under Wine (N=$n)" "$secs" "$(mibps "$size" "$secs")" "[$engine_summary]"
  aria_run
  aria_secs=$secs
  row "$label aria2c -x6 -s6 -k8M" "$(printf %.2f "$secs")" "$(mibps "$size" "$secs")" ""
  if [[ $rel == rel256 ]]; then
    curl_run
    row "$label curl (one connection)" "$(printf %.2f "$secs")" "$(mibps "$size" "$secs")" ""
  fi
  ideal=$(echo "scale=2; $size / (6 * $cap)" | bc -l)
  bound=$(schedule_bound "$size" "$n" "$cap")
  row "$label link ideal: size / (6 x cap)" "$ideal" "$(mibps "$size" "$ideal")" ""
  row "$label schedule bound of the engine's plan" "$bound" "$(mibps "$size" "$bound")" ""
  row "$label engine / bound" "$(ratio "$engine_secs" "$bound")" "" ""
  row "$label engine transfer only (to the last byte)" "$transfer_secs" "$(mibps "$size" "$transfer_secs")" ""
  row "$label engine transfer / bound" "$(ratio "$transfer_secs" "$bound")" "" ""
  row "$label engine verified after the last byte" "$verified_after" "" "at most $verified_at_most"
  row "$label engine / aria2c" "$(ratio "$engine_secs" "$aria_secs")" "" ""
  stop_server
done

echo
echo "(2) no cap"
row "" seconds MiB/s "peak RSS"
for rel in rel256 rel1g; do
  release="$work/$rel/Corvald-Tavrin-Setup-1.5.0.exe"
  say "uncapped: $rel"
  start_release_server "$work/$rel"
  label="$(($(stat -c %s "$release") / mib)) MiB"
  engine_run
  engine_secs=$secs
  engine_hwm=$hwm_kib
  row "$label engine under Wine (N=${engine_n:-?})" "$secs" "$(mibps "$size" "$secs")" \
    "$((engine_hwm / 1024)) MiB  [$engine_summary]"
  row "$label engine transfer only (to the last byte)" "$transfer_secs" \
    "$(mibps "$size" "$transfer_secs")" ""
  row "$label engine verified after the last byte" "$verified_after" "" "at most $verified_at_most"
  aria_run
  row "$label aria2c -x6 -s6 -k8M" "$(printf %.2f "$secs")" "$(mibps "$size" "$secs")" ""
  row "$label engine / aria2c" "$(ratio "$engine_secs" "$secs")" "" ""
  if [[ $rel == rel256 ]]; then
    stop_server
    continue
  fi
  # Kept for (3): the file the cache would verify.
  mv "$work/engine/cache/installer.exe" "$work/cached.exe"
  cmp -s "$work/cached.exe" "$release" || die "the engine got other bytes"
  say "uncapped: plain WinHTTP loop"
  run_exe plain "$url" "Z:$work/plain.bin"
  plain_secs=$(field seconds)
  row "$label plain WinHTTP GET loop (HttpClient)" "$plain_secs" "$(field mibps)" ""
  row "$label engine transfer / plain loop (time)" "$(ratio "$transfer_secs" "$plain_secs")" "" ""
  cmp -s "$work/plain.bin" "$release" || die "the plain loop got other bytes"
  rm -f "$work/plain.bin"
  say "uncapped: curl"
  curl_run
  row "$label curl (one connection)" "$(printf %.2f "$secs")" "$(mibps "$size" "$secs")" ""
  stop_server
done

echo
echo "(3) SHA-512 of a cached 1024 MiB file (page cache warm for both)"
row "" seconds MiB/s ""
cat "$work/cached.exe" >/dev/null
run_exe digest "Z:$work/cached.exe"
ours_secs=$(field seconds)
row "sha512_base64_of_file under Wine" "$ours_secs" "$(field mibps)" ""
t0=$(now)
theirs=$(openssl dgst -sha512 -binary "$work/cached.exe" | base64 -w0)
ssl_secs=$(printf %.3f "$(echo "$(now) - $t0" | bc -l)")
row "openssl dgst -sha512" "$ssl_secs" "$(mibps "$size" "$ssl_secs")" ""
row "ours / openssl (time)" "$(ratio "$ours_secs" "$ssl_secs")" "" ""
[[ $(sed -n 's/^sha512 //p' <<<"$out") == "$theirs" ]] || die "the digests differ"
run_exe held "Z:$work/cached.exe" "$size" "$theirs"
row "held re-verification before the installer starts" "$(field seconds)" "$(field mibps)" ""

echo
echo "(4) peak resident memory of the Wine process"
run_exe idle
idle_hwm=$hwm_kib
row "engine, 1024 MiB uncapped (2)" "$((engine_hwm / 1024)) MiB" "" ""
row "same program idle for 1 s" "$((idle_hwm / 1024)) MiB" "" ""
row "engine above idle" "$(((engine_hwm - idle_hwm) / 1024)) MiB" "" ""
echo
echo "total run $(printf %.0f "$(echo "$(now) - $bench_start" | bc -l)") s (not counting the build and the release files)"
