#!/usr/bin/env bash
# Benchmarks live in bench/; each prints its figures beside a peer measured in the same run.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
name=${1:-}
if [ -z "$name" ] || [ ! -x "$root/bench/$name.sh" ]; then
  echo "usage: ./dev bench <name>; available:" >&2
  ls "$root/bench" 2>/dev/null | sed -n 's/\.sh$//p' >&2 || true
  exit 2
fi
exec "$root/bench/$name.sh"
