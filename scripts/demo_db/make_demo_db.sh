#!/usr/bin/env bash
# Creates the demo database from schema.sql and data.sql beside this script.
#
#   make_demo_db.sh sqlite PATH [EXTRA_GOODS]     new SQLite file (replaces PATH)
#   make_demo_db.sh postgres CONNINFO [EXTRA_GOODS]
#       loads the same schema into a PostgreSQL database (drops Goods, Parts
#       and Units there first); CONNINFO is a libpq string or URI, the
#       password comes from ~/.pgpass or PGPASSWORD.
#
# EXTRA_GOODS adds that many generated goods (scale_goods.sql), e.g. 1000000
# for the benchmarks. Needs the sqlite3 or psql command-line client.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
backend="${1:-}"
target="${2:-}"
extra="${3:-0}"
if [[ -z "$backend" || -z "$target" || ! "$extra" =~ ^[0-9]+$ ]]; then
  sed -n '2,13p' "$0" >&2
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
  *)
    echo "make_demo_db.sh: back end must be sqlite or postgres" >&2
    exit 2
    ;;
esac
echo "demo database ready: $backend $target"
