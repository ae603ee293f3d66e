#!/usr/bin/env bash
# The stub as built (stripped, unsigned) within the size that ./dev release allows, so that a
# change which makes it too heavy to ship fails the day it lands, not on release day.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$root/scripts/common.sh"
stub=$1
size=$(stat -c %s "$stub")
echo "corvald-setup.exe: $size bytes, limit $stub_size_limit"
[ "$size" -le "$stub_size_limit" ] || die "the stub is $((size - stub_size_limit)) bytes too heavy"
