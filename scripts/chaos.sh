#!/usr/bin/env bash
# scripts/chaos.sh [N] [--seed S]
# A longer sweep of seeded fault schedules than ./dev test runs: N seeds (default 20) from S on
# (default 1000), each a silent install under Wine against a devserver that follows the seed's
# schedule, with every invariant checked after it and a clean run after that. Prints one row
# per seed: the faults met, the exit code, the time against its bound, and whether every
# invariant held; exits non-zero when one did not.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
. "$root/scripts/common.sh"

count=20
first=1000
while [ $# -gt 0 ]; do
  case "$1" in
    --seed) first=${2:?--seed needs a number}; shift 2 ;;
    --seed=*) first=${1#--seed=}; shift ;;
    *) count=$1; shift ;;
  esac
done
[[ $count =~ ^[0-9]+$ && $first =~ ^[0-9]+$ ]] || die "usage: ./dev chaos [N] [--seed S]"

bash scripts/build.sh native:corvald-devserver \
  windows:corvald-setup,corvald_chaos_e2e_tests,corvald_chaos_installer || die "build failed"

dir=$build_root/chaos
release=$build_root/windows/demo/releases/chaos-1.5.0/Corvald-Tavrin-Setup-1.5.0.exe
rm -rf "$dir/release"
mkdir -p "$dir/release"
cp "$release" "$dir/release/" || die "no chaos installer at $release"
bash tests/devserver/start.sh "$dir" --release "$dir/release" --release-version 1.5.0 ||
  die "the devserver did not start"
cleanup() {
  bash tests/devserver/stop.sh "$dir" || true
  "$wineserver" -k 2>/dev/null || true
  stop_display
}
trap cleanup EXIT
start_display

seeds=$(seq "$first" $((first + count - 1)) | xargs)
say "sweeping $count seeds from $first"
began=$(date +%s)
CORVALD_DEVSERVER_DIR=$dir CORVALD_CHAOS_SEEDS=$seeds \
  "$wine" "$build_root/windows/bin/corvald_chaos_e2e_tests.exe" \
  --gtest_filter='ChaosE2eTest.EveryInvariant*' 2>&1 | tee "$dir/sweep.log"
status=${PIPESTATUS[0]}
took=$(($(date +%s) - began))
echo
echo "$count seeds in $((took / 60))m $((took % 60))s; every invariant held in" \
  "$(grep -c '| all held |' "$dir/sweep.log") of them"
exit "$status"
