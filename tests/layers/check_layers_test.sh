#!/usr/bin/env bash
# The layer check on a small tree of its own: an include of a lower room, of its own room, of a
# generated header and from a test pass; an include of a higher room, of a room beside its own
# and of a room that is not listed are each reported with file and line, and the check fails.
set -euo pipefail
check=${1:?usage: check_layers_test.sh path/to/check_layers.sh}
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/{top,left,right,bottom}
printf 'top\nleft right\nbottom\n' >"$tree/layers.txt"
printf '#include "left/a.hpp"\n#include "bottom/b.hpp"\n#include "top/t.hpp"\n' >"$tree/top/t.cpp"
printf '#include "bottom/b.hpp"\n#include "build_info.hpp"\n#include <vector>\n' >"$tree/left/a.hpp"
printf '#include "top/t.hpp"\n' >"$tree/bottom/b_test.cpp"

bash "$check" "$tree" || { echo "a clean tree failed the check"; exit 1; }

printf '#include "bottom/b.hpp"\n  #  include "top/t.hpp"\n' >"$tree/bottom/b.cpp"
printf '#include "right/r.hpp"\n' >"$tree/left/a.cpp"
printf '#include "nowhere/n.hpp"\n' >"$tree/right/r.hpp"
set +e
out=$(bash "$check" "$tree")
rc=$?
set -e
expected='bottom/b.cpp:2: includes "top/t.hpp": room '"'top'"' is not below '"'bottom'"'
left/a.cpp:1: includes "right/r.hpp": room '"'right'"' is not below '"'left'"'
right/r.hpp:1: includes "nowhere/n.hpp" from room '"'nowhere'"', which is not in layers.txt'
if [ "$rc" -ne 1 ] || [ "$(sort <<<"$out")" != "$expected" ]; then
  printf 'exit %s, reported:\n%s\nexpected:\n%s\n' "$rc" "$out" "$expected"
  exit 1
fi
echo "upward, sideways and unknown includes reported"
