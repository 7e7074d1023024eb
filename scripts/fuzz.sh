#!/usr/bin/env bash
# libFuzzer runs of the file readers (build/fuzz, made by scripts/test.sh or by this script).
#   scripts/fuzz.sh --smoke            every target ~20 s, in parallel, from its seeds (the test run)
#   scripts/fuzz.sh TARGET [SECONDS]   one long run (default one hour); its corpus grows in
#                                      build/fuzz/corpus/TARGET, never in the repository
# Crashes are written to build/fuzz/artifacts/.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/env.sh"
fuzz=$VV_BUILD/fuzz
if [ ! -d "$fuzz/fuzz-targets" ] || [ "${1:-}" != --smoke ]; then
  vv_build fuzz >/dev/null || exit 1
fi
mkdir -p "$fuzz/artifacts"

# run NAME EXE SEEDS SECONDS CORPUS
run_one() {
  local name=$1 exe=$2 seeds=$3 secs=$4 corpus=$5 dirs=()
  mkdir -p "$corpus"
  IFS=, read -r -a dirs <<<"$seeds"
  local existing=()
  for d in "${dirs[@]}"; do [ -d "$d" ] && existing+=("$d"); done
  "$exe" -seed=1 -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$fuzz/artifacts/$name-" "$corpus" "${existing[@]}" >"$fuzz/$name.log" 2>&1
}

targets=()
[ -d "$fuzz/fuzz-targets" ] && mapfile -t targets < <(cat "$fuzz"/fuzz-targets/*.txt 2>/dev/null)

if [ "${1:-}" = --smoke ]; then
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  pids=(); names=()
  for t in "${targets[@]}"; do
    read -r name exe seeds <<<"$t"
    run_one "$name" "$exe" "${seeds:-}" 20 "$tmp/$name" &
    pids+=($!); names+=("$name")
  done
  pass=0; fail=0
  for i in "${!pids[@]}"; do
    if wait "${pids[$i]}"; then
      pass=$((pass + 1))
      echo "fuzz ${names[$i]}: ok ($(grep -o 'stat::number_of_executed_units: [0-9]*' "$fuzz/${names[$i]}.log" | awk '{print $2}') runs)"
    else
      fail=$((fail + 1))
      echo "fuzz ${names[$i]}: FAILED"
      tail -30 "$fuzz/${names[$i]}.log"
    fi
  done
  echo "fuzz: $pass passed, $fail failed"
  [ $fail = 0 ]
  exit
fi

want=${1:?usage: scripts/fuzz.sh --smoke | TARGET [SECONDS]}
secs=${2:-3600}
for t in "${targets[@]}"; do
  read -r name exe seeds <<<"$t"
  if [ "$name" = "$want" ]; then
    run_one "$name" "$exe" "${seeds:-}" "$secs" "$fuzz/corpus/$name"
    rc=$?
    tail -15 "$fuzz/$name.log"
    exit $rc
  fi
done
echo "no fuzz target named $want" >&2
exit 1
