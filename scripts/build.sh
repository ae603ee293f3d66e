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
  cmake --preset "$preset" "${extra[@]}" >/dev/null
  timed "build $preset" cmake --build --preset "$preset" ${targets[@]:+--target "${targets[@]}"}
done
