#!/usr/bin/env bash
# ./dev bench size: what corvald-setup.exe weighs and where its bytes go.
#   (1) the stripped size beside the goal and beside a floor measured in the same run: a
#       static program of the same toolchain that uses only what every C++ program here needs
#       (strings, containers, threads, exceptions), so the difference is the stub's own;
#   (2) the sections of the stripped program and its resources;
#   (3) the ten largest contributors, from a linker map of the same link, by archive member.
# CORVALD_BENCH_SKIP_BUILD=1 uses what is built.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
# shellcheck source=scripts/common.sh
. "$root/scripts/common.sh"

if [[ ${CORVALD_BENCH_SKIP_BUILD:-0} != 1 ]]; then
  bash scripts/build.sh windows >&2
fi
bin=$build_root/windows
stub=$bin/bin/corvald-setup.exe
[[ -f $stub ]] || die "$stub is not built"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
goal=$stub_size_limit

# The same link as the build's, with a map and without stripping; stripped afterwards.
link=$(cd "$bin" && ninja -t commands bin/corvald-setup.exe | tail -1)
link=${link// -s / }
link=${link//-o bin\/corvald-setup.exe/-o $work/mapped.exe -Wl,-Map=$work/setup.map}
(cd "$bin" && eval "$link")
x86_64-w64-mingw32-strip -o "$work/stripped.exe" "$work/mapped.exe"

cat >"$work/floor.cpp" <<'CPP'
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>
int main(int argc, char** argv) {
  std::unordered_map<std::string, std::vector<std::wstring>> seen;
  seen[argv[0]].push_back(std::to_wstring(argc));
  std::mutex mutex;
  std::condition_variable wake;
  std::function<void()> work = [&] { std::lock_guard lock(mutex); seen["w"].clear(); };
  std::thread(work).join();
  try {
    if (argc > 5) throw std::runtime_error(std::to_string(argc));
  } catch (const std::exception& e) {
    std::puts(e.what());
  }
  std::printf("%zu\n", seen.size());
}
CPP
x86_64-w64-mingw32-g++-posix -std=c++20 -Os -s -static -mwindows "$work/floor.cpp" -o "$work/floor.exe"

size_of() { stat -c %s "$1"; }
# mawk, Debian's default awk, has no strtonum.
hex='function hex(t,  i, n) { sub(/^0x/, "", t); t = tolower(t); n = 0
       for (i = 1; i <= length(t); i++) n = n * 16 + index("0123456789abcdef", substr(t, i, 1)) - 1
       return n }'

kb() { awk -v b="$1" 'BEGIN { printf "%8.1f KB", b / 1024 }'; }
stripped=$(size_of "$work/stripped.exe")
shipped=$(size_of "$stub")
floor=$(size_of "$work/floor.exe")

echo "== size of corvald-setup.exe (stripped, everything in: window, dialog, icon, logos, 19 locales)"
printf '  %-44s %s  (%d B)\n' "corvald-setup.exe as built" "$(kb "$shipped")" "$shipped"
printf '  %-44s %s  (%d B)\n' "the same link, stripped here" "$(kb "$stripped")" "$stripped"
printf '  %-44s %s  (%s of it)\n' "goal" "$(kb "$goal")" \
  "$(awk -v a="$stripped" -v g="$goal" 'BEGIN { printf "%.0f %%", 100 * a / g }')"
printf '  %-44s %s\n' "floor: a static C++ program, same toolchain" "$(kb "$floor")"
printf '  %-44s %s\n' "reference: big browsers' stub installers" "  0.2-1 MB (published sizes, not measured here)"

echo
echo "== sections of the stripped program"
x86_64-w64-mingw32-objdump -h "$work/stripped.exe" |
  awk "$hex"' $1 ~ /^[0-9]+$/ { printf "  %-8s %8.1f KB\n", $2, hex($3) / 1024 }'

# Input sections of the map: " .name 0xADDR 0xSIZE file", the name on a line of its own when
# it is long. Debug sections do not reach the program.
awk "$hex"'
  /^Linker script and memory map/ { on = 1; next }
  !on { next }
  /^ [^ ]+$/ { pending = $1; next }
  {
    if ($1 ~ /^\./ && $2 ~ /^0x/ && $3 ~ /^0x/) { section = $1; size = $3; file = $4 }
    else if (pending != "" && $1 ~ /^0x/ && $2 ~ /^0x/) { section = pending; size = $2; file = $3 }
    else { pending = ""; next }
    pending = ""
    if (section ~ /^\.debug/ || file == "") next
    n = split(file, parts, "/"); member = parts[n]
    bytes[member] += hex(size)
  }
  END { for (m in bytes) if (bytes[m] > 0) printf "%d %s\n", bytes[m], m }
' "$work/setup.map" >"$work/members.txt"

echo
echo "== resources (resources/)"
for f in resources/corvald-setup.ico resources/logo*.png; do
  printf '  %-44s %s\n' "$f" "$(kb "$(size_of "$f")")"
done
printf '  %-44s %s\n' "locale tables, packed, and their unpacking" \
  "$(kb "$(awk '/(locale_data|embedded_locales|inflate)\.cpp\.obj/ { s += $1 } END { print s + 0 }' \
    "$work/members.txt")")"

echo
echo "== the ten largest contributors (linker map, by archive member)"
sort -rn "$work/members.txt" | head -10 |
  while read -r bytes member; do printf '  %s  %s\n' "$(kb "$bytes")" "$member"; done
