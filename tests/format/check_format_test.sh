#!/usr/bin/env bash
# The format check on files of its own: a formatted file passes; a misaligned parameter list and
# an include inside the system block are each reported with their file, and the check fails.
set -euo pipefail
check=${1:?usage: check_format_test.sh path/to/check_format.sh}
style=${2:?usage: check_format_test.sh path/to/check_format.sh path/to/.clang-format}
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
cp "$style" "$tree/.clang-format"
printf '#include <string>\n\nint add(int a, int b) { return a + b; }\n' >"$tree/good.cpp"
printf 'int add(int a,\n            int b);\n' >"$tree/misaligned.hpp"
printf '#include <string>\n#include "text/path.hpp"\n#include <vector>\n' >"$tree/includes.cpp"

bash "$check" "$tree/good.cpp" || { echo "a formatted file failed the check"; exit 1; }
set +e
out=$(bash "$check" "$tree/good.cpp" "$tree/misaligned.hpp" "$tree/includes.cpp")
rc=$?
set -e
for name in misaligned.hpp includes.cpp; do
  grep -q "$tree/$name" <<<"$out" || { printf '%s not reported:\n%s\n' "$name" "$out"; exit 1; }
done
if [ "$rc" -ne 1 ] || grep -q good.cpp <<<"$out"; then
  printf 'exit %s, reported:\n%s\n' "$rc" "$out"
  exit 1
fi
echo "misformatted files reported, formatted file passed"
