#!/usr/bin/env bash
# Holds C and C++ sources to .clang-format: prints every file clang-format would change, with
# the place of its first change, and exits 1 when there is one. Fix with: clang-format -i FILE...
# usage: check_format.sh [file...]   (default: every C and C++ file of this checkout)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files '*.c' '*.h' '*.cpp' '*.hpp' 2>/dev/null)
  # An unpacked copy without git: every source outside the build folder.
  [ ${#files[@]} -gt 0 ] || mapfile -t files < <(find . -path ./build -prune -o -type f \
    \( -name '*.c' -o -name '*.h' -o -name '*.cpp' -o -name '*.hpp' \) -print)
fi
[ ${#files[@]} -gt 0 ] || { echo "no files to check"; exit 1; }

if report=$(clang-format --dry-run --Werror "${files[@]}" 2>&1); then
  exit 0
fi
# One line per file: its first "file:line:col: error: ..." of clang-format's report.
places=$(grep -E '^[^ ].*:[0-9]+:[0-9]+: (error|warning):' <<<"$report" | awk -F: '!seen[$1]++')
echo "${places:-$report}"
echo "misformatted files: run clang-format -i on them (see .clang-format)"
exit 1
