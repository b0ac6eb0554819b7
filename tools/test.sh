#!/usr/bin/env bash
# Runs every test against what tools/build.sh built: the unit tests of the
# native and sanitizer builds, then the script tests natively, under the
# sanitizers and as the Windows program under Wine, and a short run of each
# fuzz target (tools/fuzz.sh --smoke: every seed once, then a few seconds of
# fuzzing; one test per target).
#
#   tools/test.sh                 everything
#   tools/test.sh unit native     only some parts: unit, native, asan, wine, fuzz
#
# Prints one summary line per part and a closing total; exits non-zero when
# anything failed. Wine and Xvfb stay up afterwards for the next run, except
# in CI.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2

parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(unit native asan wine fuzz)
want() { local p; for p in "${parts[@]}"; do [ "$p" = "$1" ] && return 0; done; return 1; }

logs=$(mktemp -d "${TMPDIR:-/tmp}/orv-test.XXXXXX")
# In CI nothing may outlive the run; elsewhere Wine stays warm for the next.
trap 'rm -rf "$logs"; if [ "${CI:-}" = true ]; then tools/wine-env.sh down; fi' EXIT

summary=()
total_pass=0 total_fail=0 total_skip=0
broken=0

add() {  # name passed failed skipped
  summary+=("$(printf '  %-16s %s passed, %s failed' "$1" "$2" "$3")$([ "$4" -gt 0 ] && echo ", $4 skipped")")
  total_pass=$((total_pass + $2)) total_fail=$((total_fail + $3)) total_skip=$((total_skip + $4))
}

# A unit-test binary that hangs must not take the whole CI run with it.
UNIT_LIMIT=${ORV_UNIT_TIMEOUT:-900}

run_unit() {
  local cfg=$1 bin=build/$1/orvanta_unit_tests log=$logs/unit-$1.log rc passed failed
  if [ ! -x "$bin" ]; then
    echo "== unit tests ($cfg): $bin not built, skipped"
    return
  fi
  echo "== unit tests ($cfg)"
  timeout -k 10 "$UNIT_LIMIT" "$bin" --gtest_brief=1 2>&1 </dev/null | tee "$log"
  rc=${PIPESTATUS[0]}
  passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
  failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
  passed=${passed:-0} failed=${failed:-0}
  if [ "$rc" -ne 0 ] && [ "$failed" -eq 0 ]; then
    # Crashed, hung or failed outside a test: count the binary as one failure.
    [ "$rc" -eq 124 ] && echo "unit tests ($cfg) timed out after ${UNIT_LIMIT}s"
    echo "unit tests ($cfg) exited with $rc"
    failed=1
  fi
  add "unit $cfg" "$passed" "$failed" 0
}

run_scripts() {
  local mode=$1 log=$logs/scripts-$1.log rc line p f s
  echo "== script tests ($mode)"
  python3 tests/run_scripts.py --mode "$mode" </dev/null 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  line=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$log" | tail -1)
  if [[ $line =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed(,\ ([0-9]+)\ skipped)? ]]; then
    p=${BASH_REMATCH[1]} f=${BASH_REMATCH[2]} s=${BASH_REMATCH[4]:-0}
  else
    p=0 f=0 s=0
  fi
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then
    echo "script tests ($mode) exited with $rc"
    f=1
  fi
  add "scripts $mode" "$p" "$f" "$s"
}

run_fuzz_smoke() {
  local log=$logs/fuzz.log rc line p f
  if [ ! -d build/fuzz ]; then
    echo "== fuzz targets: build/fuzz not built, skipped"
    return
  fi
  echo "== fuzz targets (smoke run)"
  tools/fuzz.sh --smoke </dev/null 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  line=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$log" | tail -1)
  if [[ $line =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed ]]; then p=${BASH_REMATCH[1]} f=${BASH_REMATCH[2]}; else p=0 f=0; fi
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then
    echo "fuzz smoke run exited with $rc"
    f=1
  fi
  add "fuzz" "$p" "$f" 0
}

if want wine; then
  echo "== Wine environment"
  if ! tools/wine-env.sh up; then
    echo "the Wine environment did not come up; the Wine script tests will fail"
    broken=1
  fi
fi

# The folders of src/ include only their own headers and those below them.
run_layers() {
  echo "== include layers"
  if tools/check-layers.py; then add "layers" 1 0 0; else add "layers" 0 1 0; fi
}

want unit && { run_layers; run_unit native; run_unit asan; }
want native && run_scripts native
want asan && run_scripts asan
want wine && run_scripts wine

# Windows-side scenarios that need more than one process or a dialog: each
# tests/wine/*.sh prints its own "N passed, N failed" line.
run_wine_scenarios() {
  local t log p f
  for t in tests/wine/*.sh; do
    [ -e "$t" ] || continue
    log=$logs/$(basename "$t").log
    echo "== $(basename "$t" .sh) (wine)"
    timeout -k 5 300 "$t" </dev/null >"$log" 2>&1
    local rc=$?
    cat "$log"
    line=$(grep -E '[0-9]+ passed, [0-9]+ failed' "$log" | tail -1)
    if [[ $line =~ ([0-9]+)\ passed,\ ([0-9]+)\ failed ]]; then p=${BASH_REMATCH[1]} f=${BASH_REMATCH[2]}; else p=0 f=0; fi
    if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then echo "$t exited with $rc"; f=1; fi
    add "$(basename "$t" .sh)" "$p" "$f" 0
  done
}
want wine && run_wine_scenarios
want fuzz && run_fuzz_smoke

echo
echo "summary:"
printf '%s\n' "${summary[@]}"
[ $broken -eq 0 ] || echo "  (the Wine environment failed to start)"
closing="total: $total_pass passed, $total_fail failed"
[ $total_skip -gt 0 ] && closing+=", $total_skip skipped"
echo "$closing"
[ $total_fail -eq 0 ] && [ $broken -eq 0 ]
