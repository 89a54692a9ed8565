#!/usr/bin/env bash
# Starts the demo form of the data edit control (TzelDBEdit) on the demo
# SQLite database: one edit per dialog style over the Goods table.
#
#   bash scripts/run-db-edit-demo.sh [build folder]
#
# The build folder defaults to build/release; the script builds the demo
# there when it is missing. The demo database is created, when missing, in
# <build>/controls/db-edit-demo/morvane.db; NETBRG_DATABASE, when set, points
# the transport at another database and is left alone. Without a display the
# form is drawn with each drop-down open into <build>/controls/db-edit-png
# instead of being shown.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
build="${1:-build/release}"

demo="$root/$build/controls/morvane-db-edit-demo"
if [ ! -x "$demo" ] || [ ! -f "$root/$build/transport/libnetbrg2.so" ]; then
  [ -d "$root/$build" ] || bash scripts/build.sh release > /dev/null
  cmake --build "$root/$build" --target morvane-db-edit-demo netbrg2
fi
export LD_LIBRARY_PATH="$root/$build/transport${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

data="$root/$build/controls/db-edit-demo"
if [ -z "${NETBRG_DATABASE:-}" ]; then
  if [ ! -f "$data/morvane.db" ]; then
    mkdir -p "$data"
    bash "$root/scripts/demo_db/make_demo_db.sh" sqlite "$data/morvane.db" > /dev/null
    echo "run-db-edit-demo.sh: created the demo database $data/morvane.db"
  fi
  export NETBRG_DATABASE="sqlite:$data/morvane.db"
fi

case "${QT_QPA_PLATFORM:-}" in
  offscreen* | minimal*) unset QT_QPA_PLATFORM ;;
esac
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  exec "$demo"
fi
echo "run-db-edit-demo.sh: there is no display here; drawing the form instead."
QT_QPA_PLATFORM=offscreen "$demo" --render "$root/$build/controls/db-edit-png" 2> /dev/null
