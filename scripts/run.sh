#!/usr/bin/env bash
# Sets up, builds and runs the station against the built-in simulated meter.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
build=${BUILD_DIR:-build}
exec "$build/cli/tarvik-cli" --port sim --master --cycles 2 --report "$@"
