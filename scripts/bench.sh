#!/usr/bin/env bash
# Builds the benchmarks (RelWithDebInfo, into build-bench/ or $BENCH_BUILD_DIR)
# and runs every one of them in turn, never two at once: they time wall and
# CPU, and the machine may have only two cores. The database benchmarks get
# a private server of their own (scripts/test-db.sh), stopped afterwards.
# Each benchmark's own text is shown as it ends; then one table gathers the
# RESULT lines (bench/result.h) of all of them:
#
#   benchmark | measured | target | ratio | verdict
#
# where the ratio is measured / target (a floor of line exchanges allows
# 5 % above it). Exits 1 when a figure misses its target or a benchmark
# fails to run, 2 when the build fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh

build=${BENCH_BUILD_DIR:-build-bench}
case "$build" in /*) ;; *) build=$root/$build ;; esac
benches=(bench_link bench_idle bench_window bench_logappend bench_showlog bench_schedule bench_schedule_read
  bench_settings bench_journals bench_xlsexport bench_identify bench_operationrecord)
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if ! cmake --build "$build" --target "${benches[@]}" tarvik-sim >"$build/bench-build.log" 2>&1; then
  tail -n 40 "$build/bench-build.log" >&2
  echo "bench: the build failed (log: $build/bench-build.log)" >&2
  exit 2
fi

export QT_QPA_PLATFORM=offscreen
bin=$build/bench
results=$build/bench-results.txt
: >"$results"
broken=()

# run LABEL COMMAND...: runs one benchmark, shows its text, keeps its RESULT lines.
run() {
  local label=$1 out status=0
  shift
  out=$(mktemp)
  echo "### $label"
  "$@" >"$out" 2>&1 || status=$?
  grep -v '^RESULT ' "$out" | sed 's/^/    /' || true
  if ! grep '^RESULT ' "$out" >>"$results"; then
    broken+=("$label: no result (exit $status)")
  elif [ "$status" -ne 0 ]; then
    broken+=("$label: exit $status")
  fi
  rm -f "$out"
}

echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) cores)"
for mode in rs485 modbus; do
  for baud in 9600 115200; do
    run "bench_link $mode $baud" "$bin/bench_link" 300 "$mode" "$baud"
  done
done
run bench_idle "$bin/bench_idle" 10
run "bench_window 20000" "$bin/bench_window" 20000
run bench_logappend "$bin/bench_logappend" 200
run bench_showlog "$bin/bench_showlog" 200
run bench_schedule "$bin/bench_schedule"
run bench_schedule_read "$bin/bench_schedule_read" 9600 115200
run bench_settings "$bin/bench_settings" 9600 115200
run bench_journals "$bin/bench_journals" 9600 115200
run bench_xlsexport "$bin/bench_xlsexport"

db_dir=$build/bench-db
bash scripts/test-db.sh stop "$db_dir"
trap 'bash "$root/scripts/test-db.sh" stop "$db_dir"' EXIT
if db_env=$(bash scripts/test-db.sh start "$db_dir"); then
  eval "$db_env"
  run bench_identify "$bin/bench_identify" 100
  run bench_operationrecord "$bin/bench_operationrecord" 100
else
  broken+=("the database server did not start: bench_identify and bench_operationrecord not run")
fi
bash scripts/test-db.sh stop "$db_dir"
trap - EXIT
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"

# The table: ratio = measured / target; "max" passes while the ratio is at
# most the allowance, "min" while it is at least its inverse, "info" has no
# verdict.
table=$(awk '
  function num(v) { return v >= 100 ? sprintf("%.0f", v) : v >= 1 ? sprintf("%.2f", v) : sprintf("%.3f", v) }
  function row(a, b, c, d, e) { printf "| %-36s | %14s | %20s | %6s | %-7s |\n", a, b, c, d, e }
  BEGIN {
    row("benchmark", "measured", "target", "ratio", "verdict")
    row("---", "---", "---", "---", "---")
  }
  $1 == "RESULT" {
    name = $2; measured = $3; unit = $4; target = $5; kind = $6; allowance = $7
    if (kind == "info") {
      row(name, num(measured) " " unit, "-", "-", "info")
      next
    }
    ratio = measured / target
    bound = (kind == "max" ? "<= " : ">= ") num(target) " " unit
    if (allowance > 1) bound = bound sprintf(" +%.0f%%", (allowance - 1) * 100)
    ok = kind == "max" ? ratio <= allowance : ratio >= 1 / allowance
    row(name, num(measured) " " unit, bound, sprintf("%.3f", ratio), ok ? "pass" : "FAIL")
  }' "$results")
echo
echo "$table"
missed=$(grep -c '| FAIL ' <<<"$table" || true)
for b in "${broken[@]+"${broken[@]}"}"; do echo "did not finish: $b"; done
if [ "$missed" -gt 0 ] || [ ${#broken[@]} -gt 0 ]; then
  echo "bench: $missed figure(s) missed their target, ${#broken[@]} benchmark run(s) failed"
  exit 1
fi
echo "bench: every figure met its target"
