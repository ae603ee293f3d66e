#!/usr/bin/env bash
# The libFuzzer targets of fuzz/, one per fuzz/<name>_fuzzer.cpp, seeded from fuzz/corpus/<name>
# (the feed reader also from ../shared/real_feeds when it is there).
#   scripts/fuzz.sh [target] [seconds]  a campaign per target (all of them by default, 600 s
#                                       each); new corpus entries and crashes are kept in
#                                       $CORVALD_FUZZ_HOME (~/.cache/corvald-fuzz), outside
#                                       the checkout, and grow from one campaign to the next
#   scripts/fuzz.sh --smoke [seconds]   what ./dev test runs: each target over its seeds plus a
#                                       short run (10 s), two at a time, ending with
#                                       "fuzz smoke: N passed, N failed"
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
. "$root/scripts/common.sh"

fuzz_build=$build_root/fuzz
fuzz_home=${CORVALD_FUZZ_HOME:-${XDG_CACHE_HOME:-$HOME/.cache}/corvald-fuzz}

all_targets() {
  local f
  for f in fuzz/*_fuzzer.cpp; do
    f=${f#fuzz/}
    echo "${f%_fuzzer.cpp}"
  done
}

# Configured once; later runs only rebuild what changed.
build_targets() {
  if [ ! -f "$fuzz_build/build.ninja" ]; then
    cmake --preset fuzz >/dev/null || return 1
  fi
  cmake --build --preset fuzz
}

# Seeds kept outside the checkout: the feed reader also starts from the update feeds real
# projects published, in the shared folder CI keeps beside the clone.
extra_seeds() { # target
  local feeds=$root/../shared/real_feeds
  if [ "$1" = feed ] && [ -d "$feeds" ]; then
    echo "$feeds"
  fi
}

# target, seconds, corpus folder for new entries, artifact prefix, log file
run_target() {
  local target=$1 seconds=$2 corpus=$3 artifacts=$4 log=$5 extra
  mkdir -p "$corpus" "$(dirname "$artifacts")"
  mapfile -t extra < <(extra_seeds "$target")
  "$fuzz_build/bin/corvald_fuzz_$target" -max_total_time="$seconds" -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "fuzz/corpus/$target" \
    "${extra[@]}" >"$log" 2>&1
}

# The figures of a finished run: executions per second, coverage, corpus size.
figures() { # log
  local done_line
  done_line=$(grep -a -E '^#[0-9]+[[:space:]]+DONE' "$1" | tail -n1)
  sed -E 's/^#([0-9]+).*cov: ([0-9]+) ft: ([0-9]+) corp: ([0-9]+).*exec\/s: ([0-9]+).*/runs \1, exec\/s \5, cov \2, ft \3, corpus \4/' \
    <<<"$done_line"
}

smoke() {
  local seconds=$1
  local passed=0 failed=0 target
  local logs=$fuzz_build/smoke-logs
  rm -rf "$fuzz_build/smoke-corpus" "$logs"
  mkdir -p "$logs"
  local targets
  mapfile -t targets < <(all_targets)
  if ! build_targets; then
    echo "fuzz smoke: 0 passed, ${#targets[@]} failed (the fuzz targets do not build)"
    return 1
  fi
  # Two at a time: the machine has two cores and each target runs on one.
  local i
  for ((i = 0; i < ${#targets[@]}; i += 2)); do
    for target in "${targets[@]:i:2}"; do
      (
        run_target "$target" "$seconds" "$fuzz_build/smoke-corpus/$target" \
          "$fuzz_build/artifacts/$target-" "$logs/$target.log"
        echo $? >"$logs/$target.rc"
      ) &
    done
    wait
  done
  for target in "${targets[@]}"; do
    if [ "$(cat "$logs/$target.rc")" = 0 ]; then
      passed=$((passed + 1))
      echo "fuzz $target: passed ($(figures "$logs/$target.log"))"
    else
      failed=$((failed + 1))
      echo "fuzz $target: FAILED, see $logs/$target.log"
      grep -a -E 'broken promise|ERROR|SUMMARY|Test unit written' "$logs/$target.log" | head -n5
    fi
  done
  echo "fuzz smoke: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

campaign() {
  local targets=("$1") seconds=$2 target status=0
  [ -n "$1" ] || mapfile -t targets < <(all_targets)
  for target in "${targets[@]}"; do
    [ -f "fuzz/${target}_fuzzer.cpp" ] || die "no fuzz target $target (have: $(all_targets | xargs))"
  done
  build_targets || die "the fuzz targets do not build"
  local summary=()
  for target in "${targets[@]}"; do
    say "fuzzing $target for $seconds s (corpus $fuzz_home/corpus/$target)"
    local log=$fuzz_home/logs/$target.log
    mkdir -p "$(dirname "$log")"
    if run_target "$target" "$seconds" "$fuzz_home/corpus/$target" \
      "$fuzz_home/artifacts/$target-" "$log"; then
      summary+=("$target: $(figures "$log")")
    else
      status=1
      summary+=("$target: FOUND A FAULT, see $log and $fuzz_home/artifacts/")
    fi
  done
  echo
  printf '%s\n' "${summary[@]}"
  return "$status"
}

if [ "${1:-}" = --smoke ]; then
  smoke "${2:-10}"
else
  campaign "${1:-}" "${2:-600}"
fi
