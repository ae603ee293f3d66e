#!/usr/bin/env bash
# Configures and builds the given presets (default: native and windows), each whole or, written
# PRESET:TARGET,TARGET..., only those targets and what they need.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
. "$root/scripts/common.sh"

specs=("$@")
[ ${#specs[@]} -gt 0 ] || specs=(native windows)
for spec in "${specs[@]}"; do
  preset=${spec%%:*}
  targets=()
  [ "$spec" != "$preset" ] && IFS=, read -ra targets <<<"${spec#*:}"
  say "building $preset${targets[*]:+ (${targets[*]})}"
  extra=()
  [ "$preset" = windows ] && extra=(-DCORVALD_MINGW_DEPS="$deps_cache/mingw64")
  # Builds of one folder take turns (./dev demo beside ./dev test or a benchmark): a second
  # configure rewrites build.ninja and the cache under a running ninja, and two ninjas run the
  # same steps into the same files.
  mkdir -p "$build_root"
  exec {lock}>"$build_root/.$preset.lock"
  flock -n "$lock" || { say "waiting for another build of $preset"; flock "$lock"; }
  cmake --preset "$preset" "${extra[@]}" >/dev/null
  timed "build $preset" cmake --build --preset "$preset" ${targets[@]:+--target "${targets[@]}"}
  exec {lock}>&-
done
