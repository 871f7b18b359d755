#!/usr/bin/env bash
# Installs everything the build, the program and the tests need (Debian 12,
# as root). Quiet and quick when all is there already.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev
  qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite libqt6sql6-odbc libgl-dev   # Qt Charts finds its OpenGL module only with libqt6opengl6-dev, which it does not pull in
  qt6-qpa-plugins fonts-dejavu-core
  qt6-translations-l10n libqt6svg6   # Qt's own texts in Russian; the SVG icon engine for the program's icon
  clang-14 libclang-rt-14-dev   # the sanitizer and fuzzing build (build-asan/)
  python3-xlrd libspreadsheet-parseexcel-perl libreoffice-calc-nogui   # independent readers of the .xls files the program writes
  poppler-utils   # pdftotext and pdftoppm read back the printed pages
  dpkg-dev file desktop-file-utils   # the .deb: dpkg-shlibdeps and file for CPack, desktop-file-validate for the package test
  mariadb-server-core mariadb-client-core odbc-mariadb unixodbc unixodbc-dev   # the private database server the database tests start (scripts/test-db.sh); ODBC headers for the text binding
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then SUDO=sudo; else
    echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2; exit 1; fi
else SUDO=; fi
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
