#!/usr/bin/env bash
# Production mode tried out without a factory: a private database server
# (scripts/test-db.sh) with the schema db/schema.sql and the small seed
# db/demo-seed.sql, in which this computer (its short host name) is a
# workstation of installation 4 and the current user an operator holding
# the programming configuration; meters 123456 (the simulated meter's
# serial), 123457, 123458 and 200037 are registered, and two route sheets
# wait for programming. The marker file SettingSql.tarvik is written into
# the demo folder <build>/demo-db, and the station starts there against the
# built-in simulated meter, so database mode is on: the workstation and
# operator are identified at every activation of the window, "&Записать"
# checks the meter in the database first and records the run with its
# route-sheet step, "Зафиксировать в Б&Д" records the meter without writing.
#
#   scripts/demo-db.sh          build, start the server, run the station;
#                               the server stops when the station ends
#   scripts/demo-db.sh --keep   leave the server running afterwards, to look
#                               at the rows (scripts/test-db.sh client DIR)
#
# Where there is no display the script says so and runs the command line
# instead: a settings write (billing day and hour) into the simulated meter,
# recorded in the database, then the rows it left there. The window keeps
# the PC clock on the server's, as at a factory; the private server reads
# this computer's own clock, so nothing moves (setting the clock needs the
# right to, and a refusal is ignored). The command line here leaves the
# clock alone (--no-clock-sync).
#
# The server lives in $TARVIK_DEMO_DB_DIR (default ${TMPDIR:-/tmp}/tarvik-demo-db-<uid>);
# the build folder is $BUILD_DIR (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
keep=false
[ "${1:-}" = "--keep" ] && keep=true

bash scripts/setup.sh
build=${BUILD_DIR:-build}
case "$build" in /*) ;; *) build=$root/$build ;; esac
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only the two programs the demonstration runs.
cmake --build "$build" --target tarvik-station tarvik-cli >/dev/null
db_dir=${TARVIK_DEMO_DB_DIR:-${TMPDIR:-/tmp}/tarvik-demo-db-$(id -u)}

# A fresh server each time, so the demo always starts from the seed.
bash scripts/test-db.sh stop "$db_dir"
eval "$(bash scripts/test-db.sh start "$db_dir")"
$keep || trap 'bash "$root/scripts/test-db.sh" stop "$db_dir"' EXIT

# This workstation as the station names it: the host name without its domain,
# at most 16 characters; the operator by the name of the account.
host=$(hostname)
host=${host%%.*}
host=${host:0:16}
user=$(id -un)
sql_text() { printf "'%s'" "${1//\'/\'\'}"; }
{
  echo "SET @computer_name = $(sql_text "$host");"
  echo "SET @operator_login = $(sql_text "$user");"
  cat db/demo-seed.sql
} | bash scripts/test-db.sh client "$db_dir"

demo=$build/demo-db
mkdir -p "$demo"
touch "$demo/SettingSql.tarvik"
cd "$demo"
echo "Режим базы данных: рабочее место \"$host\", оператор \"$user\", папка $demo" >&2

status=0
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  echo "Нет дисплея: окно не открыть, вместо него запись установок из командной строки в имитатор счетчика." >&2
  cat >demo-settings.json <<'JSON'
{ "CheckShedule": true, "SpinDay": 25, "SpinHour": 7 }
JSON
  "$build/cli/tarvik-cli" --port sim --quiet --no-clock-sync --write-settings demo-settings.json --report ||
    status=$?
  echo "Код завершения: $status" >&2
  cd "$root"
  bash scripts/test-db.sh client "$db_dir" --table -e "
    SELECT operation_id, electro_id, plant_id, person_id, success FROM operation;
    SELECT operation_id, version, el_type, date_time, count_day, count_hour, secperday FROM set_tarvik;
    SELECT RegMsl_id, person_id, plant_id, JournalMsl_id, EntryEl FROM RegMsl;
    SELECT RegMsl_id, electro_id FROM RegMslGood;"
else
  "$build/app/tarvik-station" --port sim || status=$?
fi
if $keep; then
  echo "Сервер оставлен: bash scripts/test-db.sh client $db_dir   (остановить: bash scripts/test-db.sh stop $db_dir)" >&2
fi
exit "$status"
