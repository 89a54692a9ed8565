#!/usr/bin/env bash
# Creates the demo database from schema.sql and data.sql beside this script.
#
#   make_demo_db.sh sqlite PATH [EXTRA_GOODS]     new SQLite file (replaces PATH)
#   make_demo_db.sh postgres CONNINFO [EXTRA_GOODS]
#       loads the same schema into a PostgreSQL database (drops Goods, Parts
#       and Units there first); CONNINFO is a libpq string or URI, the
#       password comes from ~/.pgpass or PGPASSWORD.
#   make_demo_db.sh mariadb mariadb://[USER@]HOST[:PORT]/DB[?socket=PATH] [EXTRA_GOODS]
#       the same for a MariaDB (or MySQL: mysql://...) database, which must
#       exist; the tables are InnoDB in utf8mb4 with the database's default
#       collation. EXTRA_GOODS needs MariaDB. The password comes from the client's option files
#       (~/.my.cnf), as the transport's does.
#
# EXTRA_GOODS adds that many generated goods (scale_goods.sql), e.g. 1000000
# for the benchmarks. Needs the sqlite3, psql or mariadb command-line client.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
backend="${1:-}"
target="${2:-}"
extra="${3:-0}"
if [[ -z "$backend" || -z "$target" || ! "$extra" =~ ^[0-9]+$ ]]; then
  sed -n '2,18p' "$0" >&2
  exit 2
fi

scaled() {  # $1: the back end's date expression
  sed -e "s/{{ROWS}}/$extra/" -e "s/{{CREATED}}/$1/" "$here/scale_goods.sql"
}

case "$backend" in
  sqlite)
    rm -f "$target"
    {
      echo "BEGIN;"
      cat "$here/schema.sql" "$here/data.sql"
      if [[ "$extra" -gt 0 ]]; then scaled "date('2020-01-01', '+' || (n % 1800) || ' days')"; fi
      echo "COMMIT;"
    } | sqlite3 -bail "$target"
    ;;
  postgres)
    {
      echo "SET client_min_messages = warning;"
      echo "BEGIN;"
      echo "DROP TABLE IF EXISTS Parts; DROP TABLE IF EXISTS Goods; DROP TABLE IF EXISTS Units;"
      cat "$here/schema.sql" "$here/data.sql"
      if [[ "$extra" -gt 0 ]]; then scaled "DATE '2020-01-01' + (n % 1800)"; fi
      echo "COMMIT;"
      echo "ANALYZE;"
    } | psql -X -q -v ON_ERROR_STOP=1 "$target"
    ;;
  mariadb)
    # mariadb://user@host:port/db?socket=path as the transport reads it
    # (without percent escapes).
    if [[ ! "$target" =~ ^(mariadb|mysql)://(([^@/:]*)@)?([^/:?]*)(:([0-9]+))?/([^?]*)(\?socket=(.*))?$ ]]; then
      echo "make_demo_db.sh: expected mariadb://[USER@]HOST[:PORT]/DB[?socket=PATH]" >&2
      exit 2
    fi
    client=(mariadb --default-character-set=utf8mb4 --batch)
    [[ -n "${BASH_REMATCH[3]}" ]] && client+=(--user="${BASH_REMATCH[3]}")
    [[ -n "${BASH_REMATCH[4]}" ]] && client+=(--host="${BASH_REMATCH[4]}")
    [[ -n "${BASH_REMATCH[6]}" ]] && client+=(--port="${BASH_REMATCH[6]}" --protocol=TCP)
    [[ -n "${BASH_REMATCH[9]}" ]] && client+=(--socket="${BASH_REMATCH[9]}")
    client+=("${BASH_REMATCH[7]}")
    {
      # The session the transport sets up: strict, ANSI quotes and ||.
      echo "SET SESSION sql_mode = 'STRICT_ALL_TABLES,NO_ZERO_IN_DATE,NO_ZERO_DATE,ERROR_FOR_DIVISION_BY_ZERO,NO_ENGINE_SUBSTITUTION,ANSI_QUOTES,PIPES_AS_CONCAT,NO_BACKSLASH_ESCAPES';"
      # MariaDB bounds recursive queries by iterations (the generator of
      # extra goods needs one per row); MySQL has no such variable (and its
      # VALUES lists need ROW(...), so the generator is MariaDB's only).
      [[ "${BASH_REMATCH[1]}" == mariadb ]] && echo "SET SESSION max_recursive_iterations = $((extra + 1));"
      echo "DROP TABLE IF EXISTS Parts; DROP TABLE IF EXISTS Goods; DROP TABLE IF EXISTS Units;"
      echo "START TRANSACTION;"
      cat "$here/schema.sql" "$here/data.sql"
      if [[ "$extra" -gt 0 ]]; then scaled "DATE '2020-01-01' + INTERVAL (n % 1800) DAY"; fi
      echo "COMMIT;"
      echo "ANALYZE TABLE Units, Goods, Parts;"
    } | "${client[@]}" > /dev/null
    ;;
  *)
    echo "make_demo_db.sh: back end must be sqlite, postgres or mariadb" >&2
    exit 2
    ;;
esac
echo "demo database ready: $backend $target"
