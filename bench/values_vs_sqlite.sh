#!/usr/bin/env bash
# Reading a field's values the way the wizard does, beside sqlite3: `morvane-data
# values` (the grouped count query through libnetbrg2.so, then a suggestion for
# every distinct value against the reference table) against `sqlite3` running
# the same grouped query on the same file, both written to a file, in the same
# run. Prints one line per run (wall and CPU seconds, peak RSS in MiB, ratios =
# values / sqlite3 of wall and of CPU time) and the median ratios.
#
#   bench/values_vs_sqlite.sh [RUNS]
#
# The database is made first in a temporary folder: Goods of 1,000,000 rows
# whose Unit holds 50,000 distinct values, each on 20 rows, and Units of
# 1,000 allowed values ("mera000" .. "mera999", with a full name). Per
# allowed value there are 50 messy spellings: upper case, a trailing dot, one
# letter added (a suggestion at distance 1), two letters added (distance 2),
# and letters added that reach no allowed value.
set -euo pipefail
runs=${1:-3}
here=$(cd "$(dirname "$0")/.." && pwd)
tool=${MORVANE_DATA:-$here/build/release/tools/morvane-data}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db=$work/values.db

sqlite3 "$db" <<'SQL'
CREATE TABLE Units(Ident TEXT PRIMARY KEY, name TEXT);
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 999)
INSERT INTO Units SELECT printf('mera%03d', i), 'единица измерения ' || i FROM n;
CREATE TABLE Goods(Good INTEGER PRIMARY KEY, Unit TEXT);
-- Value j: spelling k = j / 1000 of allowed value j % 1000.
CREATE TEMP TABLE spelling(j INTEGER PRIMARY KEY, v TEXT);
WITH RECURSIVE n(j) AS (SELECT 0 UNION ALL SELECT j + 1 FROM n WHERE j < 49999)
INSERT INTO spelling SELECT j,
  CASE
    WHEN j / 1000 = 0 THEN upper(printf('mera%03d', j % 1000))
    WHEN j / 1000 = 1 THEN printf('mera%03d.', j % 1000)
    WHEN j / 1000 < 27 THEN printf('mera%03d', j % 1000) || char(1070 + j / 1000)
    WHEN j / 1000 < 40 THEN printf('mera%03d', j % 1000) || char(1060 + j / 1000, 1061 + j / 1000)
    ELSE printf('mera%03d', j % 1000) || 'xyzw' || char(1040 + j / 1000)
  END FROM n;
WITH RECURSIVE r(g) AS (SELECT 0 UNION ALL SELECT g + 1 FROM r WHERE g < 999999)
INSERT INTO Goods SELECT g, (SELECT v FROM spelling WHERE j = g % 50000) FROM r;
SQL
export NETBRG_DATABASE="sqlite:$db"
grouped='SELECT Unit, COUNT(*) AS cnt FROM Goods GROUP BY Unit'

# Prints "wall_seconds cpu_seconds rss_mib" of one command whose output goes
# to a file.
measure() {
  local target=$1
  shift
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >"$target"
  awk '{ printf "%.2f %.2f %.0f\n", $1, $2 + $3, $4 / 1024 }' "$work/time"
}

median() {
  sort -n | awk '{ r[NR] = $1 } END { print r[int((NR + 1) / 2)] }'
}

wallRatios=()
cpuRatios=()
for run in $(seq 1 "$runs"); do
  read -r sqliteWall sqliteCpu sqliteMib < <(measure "$work/sqlite.txt" sqlite3 -tabs "$db" "$grouped")
  read -r toolWall toolCpu toolMib < <(measure /dev/null "$tool" values --table Goods --field Unit \
    --reference Units --key Ident "$work/values.tsv")
  wallRatio=$(awk -v d="$toolWall" -v s="$sqliteWall" 'BEGIN { printf "%.2f", d / s }')
  cpuRatio=$(awk -v d="$toolCpu" -v s="$sqliteCpu" 'BEGIN { printf "%.2f", d / s }')
  wallRatios+=("$wallRatio")
  cpuRatios+=("$cpuRatio")
  suggested=$(tail -n +2 "$work/values.tsv" | awk -F'\t' '$3 != "" { n++ } END { print n + 0 }')
  echo "run $run: sqlite3 ${sqliteWall} s (cpu ${sqliteCpu} s) ${sqliteMib} MiB;" \
    "values ${toolWall} s (cpu ${toolCpu} s) ${toolMib} MiB;" \
    "groups $(wc -l <"$work/sqlite.txt") / $(($(wc -l <"$work/values.tsv") - 1))," \
    "suggested $suggested; ratio wall $wallRatio cpu $cpuRatio; load $(cut -d' ' -f1 /proc/loadavg)"
done
echo "median ratio wall $(printf '%s\n' "${wallRatios[@]}" | median)" \
  "cpu $(printf '%s\n' "${cpuRatios[@]}" | median)"
