#!/usr/bin/env bash
# Builds both flavours and runs every test: the native unit tests with AddressSanitizer and
# UBSan and again with ThreadSanitizer, and the Windows tests and end-to-end
# scenarios under Wine, and every fuzz target for a short run over its seeds. Ends with one line
# "N passed, N failed" over all of them; each fuzz target counts as one test. The Windows build
# shares its folder and flags with ./dev demo's, so what a demo built is not built again.
# ./dev test REGEX runs only the tests whose ctest names match REGEX, and no fuzz target.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
. "$root/scripts/common.sh"

filter=${1:-}
select=()
[ -n "$filter" ] && select=(-R "$filter")

bash scripts/build.sh native native-tsan windows || die "build failed"

total_passed=0
total_failed=0
run_ctest() { # label, ctest arguments...
  local label=$1; shift
  local log=$build_root/ctest-$label.log
  say "running $label tests"
  ctest "$@" 2>&1 | tee "$log"
  local summary passed failed count
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n1)
  if [ -z "$summary" ] && [ -n "$filter" ] && grep -q '^No tests were found' "$log"; then
    return
  fi
  if [ -z "$summary" ]; then
    # ctest did not get as far as running tests: count that as one failure.
    total_failed=$((total_failed + 1))
    return
  fi
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$summary")
  count=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$summary")
  passed=$((count - failed))
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed))
}

timed "native tests" run_ctest native --preset native "${select[@]}"
# The stub's native unit tests again under ThreadSanitizer, by their label: a list of the suites
# that start threads, kept by hand, had already missed the ones that start the logger's. Its
# build holds the test program alone, without the text room's tests, which start no thread
# (src/CMakeLists.txt).
# The development server's tests are labelled apart: its HTTP library is Debian's compiled one,
# built without the sanitizer, whose threads TSan cannot follow.
timed "native tests (TSan)" run_ctest native-tsan --preset native-tsan -L '^native$' "${select[@]}"

run_fuzz_smoke() {
  local log=$build_root/fuzz-smoke.log summary
  say "running the fuzz targets over their seeds"
  bash scripts/fuzz.sh --smoke 2>&1 | tee "$log"
  summary=$(grep -E '^fuzz smoke: [0-9]+ passed, [0-9]+ failed' "$log" | tail -n1)
  if [ -z "$summary" ]; then
    total_failed=$((total_failed + 1))
    return
  fi
  total_passed=$((total_passed + $(sed -E 's/.*: ([0-9]+) passed.*/\1/' <<<"$summary")))
  total_failed=$((total_failed + $(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$summary")))
}
[ -z "$filter" ] && timed "fuzz smoke" run_fuzz_smoke

# The windowed scenarios draw on a virtual X display of their own, the size of the prefix's
# Wine desktop, whatever display the caller may have.
prepare_wine own
trap end_wine EXIT
timed "windows tests (Wine)" run_ctest windows --preset windows "${select[@]}"
end_wine
print_phases

echo
echo "native (ASan+UBSan), native (TSan), fuzz smoke and windows (Wine) tests together:"
echo "$total_passed passed, $total_failed failed"
[ "$total_failed" -eq 0 ]
