#!/usr/bin/env bash
# Sets up, builds and runs the station window with the built-in simulated
# meter selected. Without a display it says so and runs the command-line
# report against the simulated meter instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
build=${BUILD_DIR:-build}
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  echo "Нет дисплея: окно не открыть, вместо него отчет командной строки по имитатору счетчика." >&2
  exec "$build/cli/tarvik-cli" --port sim --master --cycles 2 --report
fi
exec "$build/app/tarvik-station" --port sim "$@"
