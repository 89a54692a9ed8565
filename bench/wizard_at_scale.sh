#!/usr/bin/env bash
# The wizard at scale: makes the database of bench/values_db.sql (Goods of
# 1,000,000 rows, 50,000 distinct Unit values, Units of 1,000 allowed values)
# plus a table Small of 100 distinct values for the paint comparison, then
# runs wizard_at_scale on it (see bench/wizard_at_scale.cpp for what it
# measures and prints).
#
#   bench/wizard_at_scale.sh [RUNS] [WORKDIR]
#
# WORKDIR (default: a temporary folder, removed afterwards) keeps the
# database between calls: an existing WORKDIR/values.db is used as it is.
# WIZARD_AT_SCALE names another build of the program.
set -euo pipefail
runs=${1:-3}
here=$(cd "$(dirname "$0")/.." && pwd)
program=${WIZARD_AT_SCALE:-$here/build/release/bench/wizard_at_scale}
if [ -n "${2:-}" ]; then
  work=$2
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
db=$work/values.db
if [ ! -f "$db" ]; then
  sqlite3 "$db.part" <"$here/bench/values_db.sql"
  sqlite3 "$db.part" <<'SQL'
-- The 100 values around the middle of Goods' 50,000: the painted rows of
-- both grids then hold the same kind of text.
CREATE TABLE Small(Good INTEGER PRIMARY KEY, Unit TEXT);
INSERT INTO Small SELECT Good, Unit FROM Goods WHERE Good BETWEEN 24950 AND 25049;
SQL
  mv "$db.part" "$db"
fi
LC_ALL=C.UTF-8 LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen "$program" "$db" "$work/run" "$runs"
