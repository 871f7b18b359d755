#!/usr/bin/env bash
# Runs the fuzz targets long, one after the other (never side by side: the
# machine's cores are shared).
#
#   bash scripts/fuzz.sh [SECONDS | -runs=N] [TARGET...]
#
# SECONDS per target (default 600), or -runs=N executions per target;
# TARGETs default to every fuzz target. Each run starts from the seed corpus
# tests/fuzz/corpus/<target> plus what earlier runs found
# (build-asan/fuzz/<target>/); the log is build-asan/fuzz/<target>.log and a
# finding (crash, leak, undefined behaviour, time-out) is written as
# build-asan/fuzz/findings/<target>-*, which fails the command. Replay one
# with: build-asan/tests/fuzz/<target> <file>
set -euo pipefail
cd "$(dirname "$0")/.."
bound=${1:-600}
shift || true
targets=("$@")
case "$bound" in
  -runs=*) limit=("$bound") ;;
  *[!0-9]* | '') echo "fuzz.sh: give seconds or -runs=N, not '$bound'" >&2; exit 1 ;;
  *) limit=(-max_total_time="$bound") ;;
esac

build_log=$(bash scripts/build-asan.sh 2>&1) || { echo "$build_log" >&2; exit 1; }
build=${ASAN_BUILD_DIR:-build-asan}
out="$build/fuzz"
mkdir -p "$out/findings"
if [ ${#targets[@]} -eq 0 ]; then # every target the fuzzing build made
  for exe in "$build"/tests/fuzz/fuzz_*; do
    t=$(basename "$exe")
    [ -x "$exe" ] && [ -d "tests/fuzz/corpus/$t" ] && targets+=("$t")
  done
fi

# Without allocation stacks AddressSanitizer runs the station-building
# targets in about 30 % less CPU time; every fault is still caught, and
# replaying the saved input (which does not take this setting) prints the
# stacks.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0}

failed=0
for t in "${targets[@]}"; do
  mkdir -p "$out/$t"
  echo "fuzz.sh: $t (${limit[*]}), log $out/$t.log"
  if "$build/tests/fuzz/$t" "${limit[@]}" -max_len=512 -timeout=60 -print_final_stats=1 \
       -artifact_prefix="$out/findings/$t-" "$out/$t" "tests/fuzz/corpus/$t" >"$out/$t.log" 2>&1; then
    verdict="no finding"
  else
    verdict="FINDING: see $out/$t.log and $out/findings/"
    failed=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$t.log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$out/$t.log" | tail -1)
  # Runs add up: each starts from the corpus the earlier ones grew, so the
  # total is what this target has been through on this machine.
  [ -n "$runs" ] && echo "$(date -u +%FT%TZ) $runs" >>"$out/$t.runs"
  total=$(awk '{s += $2} END {print s + 0}' "$out/$t.runs" 2>/dev/null || echo 0)
  echo "fuzz.sh: $t: ${runs:-?} executions, ${speed:-?} exec/s, $total in all runs so far, $verdict"
done
exit $failed
