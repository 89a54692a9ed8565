#!/usr/bin/env bash
# A throw-away MariaDB server on loopback, for trying the transport or
# loading the demo database by hand (the tests use mariadb_fixture.cpp).
#
#   eval "$(tests/mariadb_fixture.sh start)"   # sets MARIADB_FIXTURE_DIR and NETBRG_DATABASE
#   tests/mariadb_fixture.sh stop "$MARIADB_FIXTURE_DIR"
#
# The server keeps its files, socket and log in a temporary folder, listens
# on a free port of 127.0.0.1 only, and has a database `morvane` in utf8mb4
# with the server's default (case-insensitive) collation; `root` has no
# password there. Under root the server runs as root (--user=root).
set -euo pipefail
if ! command -v mariadbd > /dev/null && [[ ! -x /usr/sbin/mariadbd ]]; then
  echo "mariadb_fixture: MariaDB server binaries not found (install mariadb-server)" >&2
  exit 1
fi
server="$(command -v mariadbd || echo /usr/sbin/mariadbd)"

case "${1:-}" in
  start)
    dir="$(mktemp -d /tmp/morvane-mariadb-XXXXXX)"
    port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])' 2>/dev/null || echo $((20000 + RANDOM % 20000)))"
    mariadb-install-db --no-defaults --user="$(id -un)" --datadir="$dir/data" \
      --auth-root-authentication-method=normal --skip-test-db > "$dir/install.log" 2>&1
    "$server" --no-defaults --user="$(id -un)" --datadir="$dir/data" --socket="$dir/mysqld.sock" \
      --port="$port" --bind-address=127.0.0.1 --pid-file="$dir/mysqld.pid" \
      --log-error="$dir/server.log" --character-set-server=utf8mb4 --skip-log-bin \
      --innodb-flush-log-at-trx-commit=0 --innodb-doublewrite=0 --innodb-buffer-pool-size=256M \
      --loose-innodb-use-native-aio=0 > /dev/null 2>&1 &
    for _ in $(seq 1 300); do
      if mariadb --no-defaults -uroot --socket="$dir/mysqld.sock" -e "SELECT 1" > /dev/null 2>&1; then
        break
      fi
      sleep 0.1
    done
    mariadb --no-defaults -uroot --socket="$dir/mysqld.sock" \
      -e "CREATE DATABASE morvane CHARACTER SET utf8mb4"
    echo "export MARIADB_FIXTURE_DIR='$dir'"
    echo "export NETBRG_DATABASE='mariadb://root@127.0.0.1:$port/morvane'"
    ;;
  stop)
    dir="${2:?usage: mariadb_fixture.sh stop DIR}"
    if [[ -f "$dir/mysqld.pid" ]]; then
      pid="$(cat "$dir/mysqld.pid")"
      kill "$pid" 2> /dev/null || true
      for _ in $(seq 1 300); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
    fi
    rm -rf "$dir"
    ;;
  *)
    sed -n '2,11p' "$0" >&2
    exit 2
    ;;
esac
