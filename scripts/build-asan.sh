#!/usr/bin/env bash
# Configures and builds the sanitizer configuration into build-asan/ (or
# $ASAN_BUILD_DIR): clang-14, AddressSanitizer + UndefinedBehaviorSanitizer
# in every target, and the libFuzzer targets of tests/fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${ASAN_BUILD_DIR:-build-asan}
[ -f "$build/CMakeCache.txt" ] || CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIK_SANITIZE=ON -DTARVIK_FUZZ=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"
