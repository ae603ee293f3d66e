#!/usr/bin/env bash
# Configures and builds the given presets (default: native and windows).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
. "$root/scripts/common.sh"

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native windows)
for preset in "${presets[@]}"; do
  say "building $preset"
  extra=()
  [ "$preset" = windows ] && extra=(-DCORVALD_MINGW_DEPS="$deps_cache/mingw64")
  cmake --preset "$preset" "${extra[@]}" >/dev/null
  cmake --build --preset "$preset"
done
