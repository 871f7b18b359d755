#!/usr/bin/env bash
# Builds the Debian package tarvik-504_<version>_<arch>.deb: a Release build
# of the three programs in build-pkg/ (or $PKG_BUILD_DIR), then CPack.
# Prints the package's path; install it with
#   sudo apt install ./build-pkg/tarvik-504_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${PKG_BUILD_DIR:-build-pkg}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target tarvik-station tarvik-cli tarvik-sim >&2
rm -f "$build"/tarvik-504_*.deb
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$build" >&2
ls "$(cd "$build" && pwd)"/tarvik-504_*.deb
