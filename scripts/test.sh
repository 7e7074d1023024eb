#!/usr/bin/env bash
# Runs every test: native (AddressSanitizer, UBSan), Windows under Wine on a private display, and a
# short libFuzzer run of every file reader. Ends with one summary line per suite; non-zero exit on
# any failure.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/env.sh"
"$VV_ROOT/scripts/setup.sh" || exit 1
mkdir -p "$VV_BUILD"

summary=()
failed=0
total_pass=0
total_fail=0

# ctest's closing line (or a plain "suite: P passed, F failed") "NN% tests passed, F tests failed out of T" becomes "suite: P passed, F failed".
record() {
  local suite=$1 log=$2 rc=$3 line t f
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  plain=$(grep -E '^[a-z]+: [0-9]+ passed, [0-9]+ failed$' "$log" | tail -1)
  if [ -n "$line" ]; then
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  elif [ -n "$plain" ]; then
    f=$(sed -E 's/.* ([0-9]+) failed$/\1/' <<<"$plain")
    t=$(( $(sed -E 's/^[a-z]+: ([0-9]+) passed.*/\1/' <<<"$plain") + f ))
  elif grep -q 'No tests were found' "$log"; then
    t=0; f=0
  else
    t=0; f=1
  fi
  [ "$rc" != 0 ] && [ "$f" = 0 ] && f=1
  summary+=("$suite: $((t - f)) passed, $f failed")
  total_pass=$((total_pass + t - f)); total_fail=$((total_fail + f))
  [ "$f" != 0 ] && failed=1
}

build_failed() {
  summary+=("$1: 0 passed, 1 failed (build)")
  total_fail=$((total_fail + 1)); failed=1
}

echo "== native build"
if vv_build native; then
  ctest --test-dir "$VV_BUILD/native" -j "$VV_JOBS" --output-on-failure 2>&1 | tee "$VV_BUILD/native-test.log"
  record native "$VV_BUILD/native-test.log" "${PIPESTATUS[0]}"
else
  build_failed native
fi

echo "== windows build"
if vv_build windows; then
  vv_start_print
  [ -n "${VV_PRINT_SKIP:-}" ] && echo "printing tests will be skipped: $VV_PRINT_SKIP"
  vv_start_display && vv_start_wine
  ctest --test-dir "$VV_BUILD/windows" -j "$VV_JOBS" --output-on-failure 2>&1 | tee "$VV_BUILD/windows-test.log"
  record windows "$VV_BUILD/windows-test.log" "${PIPESTATUS[0]}"
  vv_stop_wine
  vv_stop_print
  vv_stop_display
else
  build_failed windows
fi

echo "== fuzz build"
if vv_build fuzz; then
  "$VV_ROOT/scripts/fuzz.sh" --smoke 2>&1 | tee "$VV_BUILD/fuzz-test.log"
  record fuzz "$VV_BUILD/fuzz-test.log" "${PIPESTATUS[0]}"
else
  build_failed fuzz
fi

echo
printf '%s\n' "${summary[@]}"
echo "all: $total_pass passed, $total_fail failed"
exit $failed
