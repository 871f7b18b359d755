#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite; then builds the sanitizer
# configuration (build-asan/, ASan + UBSan) and runs the whole suite again in
# it, each fuzz target included: its seed corpus once, then a brief bounded
# fuzzing run (label "fuzz"). Any failure fails the command.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
build=${BUILD_DIR:-build}
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --timeout 600 "$@"

bash scripts/build-asan.sh
ctest --test-dir "${ASAN_BUILD_DIR:-build-asan}" --output-on-failure --no-label-summary --timeout 900 "$@"
