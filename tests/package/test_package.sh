#!/usr/bin/env bash
# The package test: builds tarvik-504_<version>_<arch>.deb from a build tree
# with CPack, checks its control fields and file list, unpacks it without
# root and runs the unpacked programs. As root it also installs the package
# with apt-get, which proves that every Depends resolves, runs the installed
# programs and purges the package again (TARVIK_PACKAGE_APT=0 skips that;
# a tarvik-504 already installed on the machine is left alone).
#
#   test_package.sh BUILD_DIR SOURCE_DIR VERSION QT_PLUGIN_DIR QT_TRANSLATIONS_DIR
set -euo pipefail

build=$1 source=$2 version=$3 qt_plugins=$4 qt_translations=$5

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "-- $*"; }

tmp=$(mktemp -d)
installed_by_test=0
mark=/var/tmp/tarvik-504-package-test.installed   # the package is installed by this test
cleanup() {
  if [ "$installed_by_test" = 1 ]; then
    apt-get purge -y -q -o DPkg::Lock::Timeout=300 tarvik-504 >/dev/null || true
    rm -f "$mark"
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT

# ------------------------------------------------------------- build it
step "cpack -G DEB on $build"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log"; fail "cpack failed"; }
arch=$(dpkg --print-architecture)
deb="$tmp/out/tarvik-504_${version}_${arch}.deb"
[ -f "$deb" ] || { ls -l "$tmp/out"; fail "no $(basename "$deb")"; }
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"

# ------------------------------------------------------- control fields
field() { dpkg-deb -f "$deb" "$1"; }
step "control fields"
dpkg-deb -I "$deb"
[ "$(field Package)" = tarvik-504 ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project's is $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ "$(field Section)" = electronics ] || fail "Section is '$(field Section)'"
[[ "$(field Maintainer)" == *@* ]] || fail "Maintainer without an address: '$(field Maintainer)'"
description=$(field Description)
grep -q 'Программирование Tarvik 504' <<<"$description" || fail "Description has no Russian text"
grep -q 'programming station for the Tarvik 504' <<<"$description" || fail "Description has no English text"

# Each entry of Depends, without its version.
mapfile -t depends < <(field Depends | tr ',' '\n' | sed 's/([^)]*)//; s/^ *//; s/ *$//')
has_depend() { grep -qx -- "$1" <<<"$(printf '%s\n' "${depends[@]}")"; }
# From dpkg-shlibdeps: the libraries the programs link.
for lib in libqt6widgets6 libqt6serialport6 libqt6charts6 libqt6sql6 libodbc2; do
  has_depend "$lib" || fail "Depends lacks $lib (dpkg-shlibdeps): ${depends[*]}"
done
# Loaded at run time, no linker sees them: each Depends must be the package
# that owns the file Qt loads on this machine.
owner() { dpkg-query -S "$1" 2>/dev/null | cut -d: -f1 | head -1; }
for file in "$qt_plugins/sqldrivers/libqsqlodbc.so" "$qt_plugins/iconengines/libqsvgicon.so" \
            "$qt_translations/qtbase_ru.qm" "$qt_plugins/platforms/libqxcb.so" \
            "$qt_plugins/platforms/libqoffscreen.so"; do
  package=$(owner "$file")
  [ -n "$package" ] || fail "no installed package owns $file (scripts/setup.sh installs them)"
  has_depend "$package" || fail "Depends lacks $package, which holds $file: ${depends[*]}"
done
grep -qw odbc-mariadb <<<"$(field Recommends)" || fail "Recommends lacks odbc-mariadb"

# ------------------------------------------------------------ file list
step "contents"
dpkg-deb -c "$deb" | tee "$tmp/contents.txt" >/dev/null
awk '{print $6}' "$tmp/contents.txt" | sed 's|^\./|/|; s|/$||' | grep -v '^$' | sort >"$tmp/paths.txt"
for path in /usr/bin/tarvik-station /usr/bin/tarvik-cli /usr/bin/tarvik-sim \
            /usr/share/applications/tarvik-504.desktop \
            /usr/share/icons/hicolor/scalable/apps/tarvik-504.svg \
            /usr/share/tarvik-504/schema.sql /usr/share/tarvik-504/manual/index.html; do
  grep -qx "$path" "$tmp/paths.txt" || fail "$path is not in the package"
done
# The three programs and nothing else in bin; nothing outside these folders
# (no tests, benchmarks, fuzz targets, libraries or headers).
programs=$(grep '^/usr/bin/' "$tmp/paths.txt" | tr '\n' ' ')
[ "$programs" = "/usr/bin/tarvik-cli /usr/bin/tarvik-sim /usr/bin/tarvik-station " ] ||
  fail "usr/bin holds: $programs"
stray=$(grep -v -E '^(/usr|/usr/bin(/.*)?|/usr/share|/usr/share/applications(/.*)?|/usr/share/icons(/.*)?|/usr/share/tarvik-504(/.*)?)$' \
        "$tmp/paths.txt" || true)
[ -z "$stray" ] || fail "unexpected files in the package: $stray"
grep -v ' root/root ' "$tmp/contents.txt" && fail "files not owned by root/root"

# -------------------------------------------------------------- unpack
step "unpacked without root"
root="$tmp/root"
dpkg-deb -x "$deb" "$root"
cmp "$root/usr/share/tarvik-504/schema.sql" "$source/db/schema.sql" || fail "schema.sql differs from db/schema.sql"
cmp "$root/usr/share/icons/hicolor/scalable/apps/tarvik-504.svg" "$source/app/tarvik504.svg" || fail "icon differs"
grep -qi '<html' "$root/usr/share/tarvik-504/manual/index.html" || fail "manual/index.html is not HTML"

desktop="$root/usr/share/applications/tarvik-504.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Exec)" = tarvik-station ] || fail "Exec is '$(entry Exec)'"
[ -x "$root/usr/bin/$(entry Exec)" ] || fail "Exec names no program of the package"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$(entry Icon).svg" ] || fail "Icon '$(entry Icon)' is not in the package"
[ "$(entry Terminal)" = false ] || fail "Terminal is '$(entry Terminal)'"
# The menu shows the window's caption; the comment is Russian too.
[ "$(entry Name)" = 'Программирование Tarvik 504' ] || fail "Name is '$(entry Name)'"
[ "$(entry 'Name\[ru\]')" = 'Программирование Tarvik 504' ] || fail "Name[ru] is '$(entry 'Name\[ru\]')'"
grep -q 'счетчика Tarvik 504' <<<"$(entry Comment)" || fail "Comment is not Russian: $(entry Comment)"

for program in tarvik-station tarvik-cli tarvik-sim; do
  binary="$root/usr/bin/$program"
  ldd "$binary" | grep 'not found' && fail "$program: libraries not found"
  readelf -d "$binary" | grep -E 'R(UN)?PATH' && fail "$program carries a run path"
  readelf -S "$binary" | grep '\.debug_info' >/dev/null && fail "$program is not stripped"
done

# Runs the programs of a prefix (the unpacked tree or /usr) in a folder of
# their own, with a home of their own so that no configuration of the user's
# is read or written.
run_programs() {
  local bin=$1 work=$2
  mkdir -p "$work/home" "$work/run"
  chmod 700 "$work/run"
  cd "$work"
  export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"

  step "$bin/tarvik-cli --help"
  "$bin/tarvik-cli" --help >help.txt || fail "tarvik-cli --help exits $?"
  grep -q -- '--write-settings' help.txt || fail "tarvik-cli --help lists no options"
  grep -q 'О счетчике' help.txt || fail "tarvik-cli --help has no Russian text"

  step "$bin/tarvik-cli --report against the built-in simulated meter"
  timeout 120 "$bin/tarvik-cli" --port sim --cycles 1 --quiet --report >report.txt ||
    fail "tarvik-cli --report exits $?"
  # 123456: the serial number of the built-in simulated meter.
  grep -q $'^Заводской номер\t123456$' report.txt || { cat report.txt; fail "the report lacks the meter's serial number"; }

  step "$bin/tarvik-sim --help"
  "$bin/tarvik-sim" --help >simhelp.txt || fail "tarvik-sim --help exits $?"
  grep -q -- '--baud' simhelp.txt || fail "tarvik-sim --help lists no options"

  # The station loads Qt's Russian catalogues (qt6-translations-l10n)
  # before it reads its options: Qt's own words of the help are Russian.
  step "$bin/tarvik-station --help"
  QT_QPA_PLATFORM=offscreen "$bin/tarvik-station" --help >stationhelp.txt || fail "tarvik-station --help exits $?"
  grep -q '^Использование: .*tarvik-station \[параметры\]$' stationhelp.txt ||
    { cat stationhelp.txt; fail "tarvik-station --help: Qt's texts are not Russian"; }
  grep -q -- '--screenshots <папка>' stationhelp.txt || fail "tarvik-station --help lists no options"

  step "$bin/tarvik-station, offscreen, one picture of every page"
  QT_QPA_PLATFORM=offscreen timeout 120 "$bin/tarvik-station" --port sim --screenshots shots ||
    fail "tarvik-station --screenshots exits $?"
  local pages
  pages=$(find shots -name '*.png' | wc -l)
  [ "$pages" -ge 6 ] || fail "tarvik-station wrote $pages page pictures"
  [ -s shots/TabAbout.png ] || fail "no picture of the page \"О счетчике\""
  file shots/*.png | grep -v 'PNG image data' && fail "a page picture is no PNG"
  cd - >/dev/null
}
run_programs "$root/usr/bin" "$tmp/unpacked"

# ------------------------------------------- installed with apt-get (root)
if [ "$(id -u)" -ne 0 ] || [ "${TARVIK_PACKAGE_APT:-1}" = 0 ] || ! command -v apt-get >/dev/null; then
  echo "not root (or TARVIK_PACKAGE_APT=0): apt-get install skipped"
  echo "package test passed"
  exit 0
fi
# One run at a time on the machine: another build tree's run could install
# or purge the package under this one.
exec 9>/var/lock/tarvik-504-package-test.lock
flock -w 900 9 || fail "another package test holds the lock"
# A run stopped by its time-out before its purge left its mark: purge now.
if [ -e "$mark" ]; then
  apt-get purge -y -q -o DPkg::Lock::Timeout=300 tarvik-504 >/dev/null 2>&1 || true
  rm -f "$mark"
fi
if [ "$(dpkg-query -W -f='${Status}' tarvik-504 2>/dev/null)" = 'install ok installed' ]; then
  echo "tarvik-504 is installed on this machine: left alone, apt-get install skipped"
  echo "package test passed"
  exit 0
fi
step "apt-get install $deb"
installed_by_test=1
touch "$mark"
apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=300 "$deb" >"$tmp/apt.log" 2>&1 ||
  { cat "$tmp/apt.log"; fail "apt-get cannot install the package"; }
[ "$(dpkg-query -W -f='${Status}' tarvik-504)" = 'install ok installed' ] || fail "tarvik-504 not installed"
[ "$(command -v tarvik-station)" = /usr/bin/tarvik-station ] || fail "tarvik-station is not on the PATH"
run_programs /usr/bin "$tmp/installed"
apt-get purge -y -q -o DPkg::Lock::Timeout=300 tarvik-504 >"$tmp/apt.log" 2>&1 ||
  { cat "$tmp/apt.log"; fail "apt-get cannot purge the package"; }
installed_by_test=0
rm -f "$mark"
[ ! -e /usr/bin/tarvik-station ] || fail "purge left /usr/bin/tarvik-station"
[ ! -e /usr/share/tarvik-504 ] || fail "purge left /usr/share/tarvik-504"
echo "package test passed"
