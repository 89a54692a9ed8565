#!/usr/bin/env bash
# The row counts and suggestions of `morvane-data values` checked with the
# back end's own client on the same data.
#
#   wizard_values_counts.sh MORVANE_DATA sqlite|postgres|mariadb FOLDER
#
# Makes the demo database (for postgres and mariadb on a throw-away server
# from tests/pg_fixture.sh or tests/mariadb_fixture.sh), adds rows with NULL,
# empty and repeated units, and compares every value's count with
# `SELECT Unit, COUNT(*) ... GROUP BY Unit` run by sqlite3, psql or mariadb
# (there grouped by the value's bytes, because the server's default
# collation makes "Шт" and "шт" one group), for Goods and Parts. The program reads NULL and an
# empty text alike, so their groups are compared summed. Every suggestion
# must be an allowed value of Units, and the obvious ones must be there.
# Exit 77 (skipped) when the back end's server or client is missing.
set -euo pipefail
tool="$1"
backend="$2"
folder="$3"
here="$(cd "$(dirname "$0")/.." && pwd)"
rm -rf "$folder"
mkdir -p "$folder"

extra_rows="INSERT INTO Goods (Good, Title, Unit, Created) VALUES
  ('X0001', 'a', '', '2024-08-01'), ('X0002', 'b', '', '2024-08-01'),
  ('X0003', 'c', NULL, '2024-08-01'), ('X0004', 'd', 'шт', '2024-08-01'),
  ('X0005', 'e', 'шт', '2024-08-01'), ('X0006', 'f', 'Шт', '2024-08-01');"

case "$backend" in
  sqlite)
    command -v sqlite3 > /dev/null || { echo "sqlite3 missing"; exit 77; }
    database="$folder/demo.db"
    bash "$here/scripts/demo_db/make_demo_db.sh" sqlite "$database" > /dev/null
    sqlite3 "$database" "$extra_rows"
    export NETBRG_DATABASE="sqlite:$database"
    counts() { sqlite3 -separator $'\t' "$database" "SELECT IFNULL($2, ''), COUNT(*) FROM $1 GROUP BY $2"; }
    ;;
  postgres)
    command -v psql > /dev/null || { echo "psql missing"; exit 77; }
    if ! started="$(bash "$here/tests/pg_fixture.sh" start 2> "$folder/pg.err")"; then
      cat "$folder/pg.err"
      exit 77
    fi
    eval "$started"
    trap 'bash "$here/tests/pg_fixture.sh" stop "$PG_FIXTURE_DIR"' EXIT
    bash "$here/scripts/demo_db/make_demo_db.sh" postgres "$NETBRG_DATABASE" > /dev/null
    psql -q -v ON_ERROR_STOP=1 "$NETBRG_DATABASE" -c "$extra_rows" > /dev/null
    counts() { psql -At -F $'\t' "$NETBRG_DATABASE" -c "SELECT COALESCE($2, ''), COUNT(*) FROM $1 GROUP BY $2"; }
    ;;
  mariadb)
    command -v mariadb > /dev/null || { echo "mariadb missing"; exit 77; }
    if ! started="$(bash "$here/tests/mariadb_fixture.sh" start 2> "$folder/mariadb.err")"; then
      cat "$folder/mariadb.err"
      exit 77
    fi
    eval "$started"
    trap 'bash "$here/tests/mariadb_fixture.sh" stop "$MARIADB_FIXTURE_DIR"' EXIT
    bash "$here/scripts/demo_db/make_demo_db.sh" mariadb "$NETBRG_DATABASE" > /dev/null
    client() { mariadb --no-defaults --default-character-set=utf8mb4 -uroot -N -B \
      --socket="$MARIADB_FIXTURE_DIR/mysqld.sock" -D morvane -e "$1"; }
    client "$extra_rows"
    counts() { client "SELECT IFNULL($2, ''), COUNT(*) FROM $1 GROUP BY HEX($2)"; }
    ;;
  *)
    echo "usage: wizard_values_counts.sh MORVANE_DATA sqlite|postgres|mariadb FOLDER" >&2
    exit 2
    ;;
esac

# "value<TAB>count" lines, NULL and empty summed, sorted.
summed() { awk -F'\t' '{ n[$1] += $2 } END { for (v in n) print v "\t" n[v] }' | LC_ALL=C sort; }

status=0
for table in Goods Parts; do
  out="$folder/$table.tsv"
  "$tool" values --table "$table" --field Unit --reference Units --key Ident "$out"
  [ "$(head -1 "$out")" = $'value\tcount\tsuggestion\tsource' ] || { echo "$table: bad header"; status=1; }
  tail -n +2 "$out" | cut -f1,2 | LC_ALL=C sort > "$folder/$table.tool"
  counts "$table" Unit | summed > "$folder/$table.client"
  if ! diff "$folder/$table.client" "$folder/$table.tool"; then
    echo "$table: the counts differ from the client's (< client, > tool)"
    status=1
  fi
  # Every suggestion is an allowed value.
  allowed="$(counts Units Ident | cut -f1)"
  while IFS=$'\t' read -r value count suggestion source; do
    [ -z "$suggestion" ] && continue
    grep -qxF -- "$suggestion" <<< "$allowed" || { echo "$table: '$value' -> '$suggestion' is no allowed value"; status=1; }
  done < <(tail -n +2 "$out")
done

# Groups without a reference table: the same values and counts as the
# client's, and a proposed value only ever the first (most frequent) line of
# its own group, never across differing digits.
for table in Goods Parts; do
  out="$folder/$table-groups.tsv"
  "$tool" groups --table "$table" --field Unit "$out"
  [ "$(head -1 "$out")" = $'value\tcount\tgroup\tproposed' ] || { echo "$table: bad groups header"; status=1; }
  tail -n +2 "$out" | cut -f1,2 | LC_ALL=C sort > "$folder/$table.groups"
  if ! diff "$folder/$table.client" "$folder/$table.groups"; then
    echo "$table: the groups' counts differ from the client's (< client, > tool)"
    status=1
  fi
  awk -F'\t' 'NR > 1 {
      if (!($3 in first)) { first[$3] = $1; firstCount[$3] = $2 }
      if ($4 != "" && $4 != first[$3]) { print "proposed " $4 " is not the first of group " $3; bad = 1 }
      if ($2 > firstCount[$3]) { print $1 " is more frequent than its group'"'"'s spelling"; bad = 1 }
      a = $1; b = $4; gsub(/[^0-9]/, "", a); gsub(/[^0-9]/, "", b)
      if ($4 != "" && a != b) { print $1 " -> " $4 ": other digits"; bad = 1 }
    } END { exit bad }' "$out" || { echo "$table: wrong groups"; status=1; }
done

# A value mapped by an earlier apply of the same table and field is
# suggested from the log when it comes back.
export XDG_STATE_HOME="$folder/state"
printf 'кгр\tкг\n' > "$folder/remembered.tsv"
if grep -q $'^кгр\t' "$folder/Goods.tsv"; then
  "$tool" apply "$folder/remembered.tsv" --table Goods --field Unit --execute > /dev/null
  case "$backend" in
    sqlite) sqlite3 "$database" "INSERT INTO Goods (Good, Title, Unit, Created) VALUES ('X0007', 'g', 'кгр', '2024-08-01');" ;;
    postgres) psql -q "$NETBRG_DATABASE" -c "INSERT INTO Goods (Good, Title, Unit, Created) VALUES ('X0007', 'g', 'кгр', '2024-08-01');" > /dev/null ;;
    mariadb) client "INSERT INTO Goods (Good, Title, Unit, Created) VALUES ('X0007', 'g', 'кгр', '2024-08-01');" ;;
  esac
  "$tool" values --table Goods --field Unit --reference Units --key Ident "$folder/again.tsv"
  grep -qx $'кгр\t1\tкг\tlog' "$folder/again.tsv" ||
    { echo "Goods: the earlier choice for кгр is not suggested: $(grep $'^кгр\t' "$folder/again.tsv")"; status=1; }
fi

# The suggestions a person would choose, among them.
for expected in $'шт.\tшт' $'Шт\tшт' $'ШТ.\tшт' $'шт \tшт' $'килограмм\tкг' $'пог. м\tпог.м'; do
  value="${expected%%$'\t'*}"
  grep -qF -- "$value"$'\t' "$folder/Goods.tsv" || continue
  awk -F'\t' -v v="$value" -v s="${expected#*$'\t'}" '$1 == v && $3 != s { bad = 1 } END { exit bad }' \
    "$folder/Goods.tsv" || { echo "Goods: '$value' should suggest '${expected#*$'\t'}'"; status=1; }
done
[ "$status" -eq 0 ] && echo "counts and suggestions agree with $backend"
exit "$status"
