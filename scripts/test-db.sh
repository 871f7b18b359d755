#!/usr/bin/env bash
# A private MariaDB server for the database tests and for trying the
# production mode without a factory: no systemd, no TCP port (Unix socket
# only), everything in one folder of its own; a system MariaDB, if there is
# one, is never read or touched.
#
#   scripts/test-db.sh start  [DIR]   fresh server with db/schema.sql loaded
#                                     (nothing to do when DIR's server runs)
#   scripts/test-db.sh stop   [DIR]   stop the server by its pid, delete DIR
#   scripts/test-db.sh pause  [DIR]   stop the server, keep its data
#   scripts/test-db.sh resume [DIR]   start the paused server on its data
#   scripts/test-db.sh env    [DIR]   print the environment the program needs
#   scripts/test-db.sh client [DIR] [mariadb options...]
#                                     the mariadb client on database electrometer
#
# DIR defaults to $TARVIK_DB_DIR, else ${TMPDIR:-/tmp}/tarvik-db-<uid>. Each
# build folder's tests use their own DIR (<build>/test-db), so two suites can
# run side by side.
#
# What the server is made to look like, so that the program's statements
# behave as on the factory's SQL Server:
#   - table names without regard to case (lower_case_table_names=1, which
#     only takes effect when set before the data folder is created);
#   - texts compared without regard to case (utf8mb4_general_ci: a trailing
#     NUL still counts there, so a text bound with one is not found);
#   - "..." quotes names (ANSI_QUOTES), strict mode: a text longer than its
#     column is an error, not silently cut;
#   - a database "electrometer" with getdate() as a stored function;
#   - messages in Russian, as on a Russian factory's server;
#   - user "tarvik" with password "tarvik" for the ODBC data source.
# The data source "Electrometer" is defined in DIR/odbc.ini (driver in
# DIR/odbcinst.ini); the program finds it through ODBCSYSINI and ODBCINI,
# as printed by "env".
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cmd=${1:-}
dir=${2:-${TARVIK_DB_DIR:-${TMPDIR:-/tmp}/tarvik-db-$(id -u)}}
[ $# -ge 2 ] && shift 2 || shift $#
mkdir -p "$(dirname "$dir")"
dir=$(cd "$(dirname "$dir")" && pwd)/$(basename "$dir")
sock=$dir/mysqld.sock
# A Unix socket path is limited to 107 bytes: a deep folder gets its socket
# in the temporary folder, under a name drawn from the folder's path.
[ ${#sock} -lt 100 ] || sock=${TMPDIR:-/tmp}/tarvik-db-$(printf %s "$dir" | md5sum | cut -c1-12).sock
pidfile=$dir/mysqld.pid
cnf=$dir/my.cnf
db_user=tarvik
db_password=tarvik

die() { echo "test-db: $*" >&2; exit 1; }

# The pid of DIR's server when it runs, else nothing. The command line is
# checked too, so a pid reused by another process is never signalled.
server_pid() {
  [ -f "$pidfile" ] || return 0
  local pid; pid=$(cat "$pidfile" 2>/dev/null) || return 0
  [ -n "$pid" ] && [ -r "/proc/$pid/cmdline" ] || return 0
  tr '\0' ' ' <"/proc/$pid/cmdline" | grep -qF -- "--defaults-file=$cnf" && echo "$pid"
  return 0
}

write_config() {
  local run_as=""
  [ "$(id -u)" -eq 0 ] && run_as="user=root"
  cat >"$cnf" <<EOF
[mariadbd]
$run_as
datadir=$dir/data
socket=$sock
pid-file=$pidfile
log-error=$dir/error.log
skip-networking
skip-log-bin
skip-name-resolve
lower_case_table_names=1
character-set-server=utf8mb4
collation-server=utf8mb4_general_ci
sql_mode=ANSI_QUOTES,STRICT_TRANS_TABLES,ERROR_FOR_DIVISION_BY_ZERO,NO_ENGINE_SUBSTITUTION
default-time-zone=SYSTEM
lc_messages=ru_RU
innodb_buffer_pool_size=16M
innodb_log_file_size=8M
# A throw-away server: no flush to disk at every commit.
innodb_flush_log_at_trx_commit=0
innodb_doublewrite=OFF
performance_schema=OFF
EOF
}

write_odbc() {
  local driver
  driver=$(dpkg -L odbc-mariadb 2>/dev/null | grep -m1 '/libmaodbc\.so$') ||
    driver=/usr/lib/x86_64-linux-gnu/odbc/libmaodbc.so
  [ -f "$driver" ] || die "the MariaDB ODBC driver is missing (bash scripts/setup.sh)"
  cat >"$dir/odbcinst.ini" <<EOF
[MariaDB]
Description=MariaDB Connector/ODBC
Driver=$driver
EOF
  cat >"$dir/odbc.ini" <<EOF
[Electrometer]
Description=Private test server of the programming station
Driver=MariaDB
SERVER=localhost
SOCKET=$sock
DATABASE=electrometer
USER=$db_user
PASSWORD=$db_password
CHARSET=utf8mb4
EOF
}

client() { mariadb --no-defaults --protocol=socket --socket="$sock" -uroot "$@"; }

launch() {
  # setsid and closed descriptors: the server outlives this script and holds
  # no pipe of the caller (CTest waits for its test's output to end).
  setsid mariadbd --defaults-file="$cnf" </dev/null >>"$dir/error.log" 2>&1 &
  local i
  for i in $(seq 1 150); do
    client -e 'SELECT 1' >/dev/null 2>&1 && return 0
    kill -0 $! 2>/dev/null || break
    sleep 0.2
  done
  tail -n 20 "$dir/error.log" >&2
  die "the server did not start (log: $dir/error.log)"
}

load_database() {
  client <<EOF
CREATE DATABASE electrometer CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
CREATE USER '$db_user'@'localhost' IDENTIFIED BY '$db_password';
GRANT ALL ON electrometer.* TO '$db_user'@'localhost';
USE electrometer;
-- SQL Server's clock function, to the millisecond as it delivers it.
CREATE FUNCTION getdate() RETURNS DATETIME(3) NOT DETERMINISTIC NO SQL RETURN NOW(3);
EOF
  client electrometer <"$here/db/schema.sql"
}

print_env() {
  echo "export ODBCSYSINI=$dir"
  echo "export ODBCINI=$dir/odbc.ini"
}

stop_server() {
  local pid; pid=$(server_pid)
  [ -n "$pid" ] || return 0
  kill "$pid"
  local i
  for i in $(seq 1 150); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.2
  done
  die "the server (pid $pid) did not stop"
}

case "$cmd" in
  start)
    if [ -z "$(server_pid)" ]; then
      command -v mariadbd >/dev/null || die "mariadbd is missing (bash scripts/setup.sh)"
      rm -rf "$dir"
      mkdir -p "$dir/data"
      write_config
      mariadb-install-db --defaults-file="$cnf" --skip-test-db \
        --auth-root-authentication-method=normal >"$dir/install.log" 2>&1 ||
        { tail -n 20 "$dir/install.log" >&2; die "mariadb-install-db failed"; }
      launch
      load_database
      write_odbc
    fi
    print_env
    ;;
  stop)
    stop_server
    rm -rf "$dir"
    rm -f "$sock"
    ;;
  pause)
    stop_server
    ;;
  resume)
    [ -f "$cnf" ] || die "no server in $dir (start it first)"
    [ -n "$(server_pid)" ] || launch
    ;;
  env)
    print_env
    ;;
  client)
    client electrometer "$@"
    ;;
  *)
    sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//' >&2
    exit 2
    ;;
esac
