#!/usr/bin/env bash
# A throw-away PostgreSQL server on loopback, for trying the transport or
# loading the demo database by hand (the tests use pg_fixture.cpp).
#
#   eval "$(tests/pg_fixture.sh start)"   # sets PG_FIXTURE_DIR and NETBRG_DATABASE
#   tests/pg_fixture.sh stop "$PG_FIXTURE_DIR"
#
# Under root the server runs as the `postgres` system user (initdb refuses
# root). Binaries: $PG_BIN, else the newest /usr/lib/postgresql/*/bin.
set -euo pipefail
bin="${PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)}"
if [[ -z "$bin" || ! -x "$bin/initdb" ]]; then
  echo "pg_fixture: PostgreSQL server binaries not found" >&2
  exit 1
fi
as_owner=()
if [[ "$(id -u)" -eq 0 ]]; then as_owner=(runuser -u postgres --); fi

case "${1:-}" in
  start)
    dir="$(mktemp -d /tmp/morvane-pg-XXXXXX)"
    if [[ ${#as_owner[@]} -gt 0 ]]; then chown postgres: "$dir"; fi
    port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])' 2>/dev/null || echo $((20000 + RANDOM % 20000)))"
    "${as_owner[@]}" "$bin/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 \
      --no-sync > "$dir/initdb.log" 2>&1
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off" start > /dev/null
    echo "export PG_FIXTURE_DIR='$dir'"
    echo "export NETBRG_DATABASE='host=127.0.0.1 port=$port user=postgres dbname=postgres'"
    ;;
  stop)
    dir="${2:?usage: pg_fixture.sh stop DIR}"
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -m fast -w stop > /dev/null || true
    rm -rf "$dir"
    ;;
  *)
    sed -n '2,9p' "$0" >&2
    exit 2
    ;;
esac
