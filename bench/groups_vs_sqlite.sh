#!/usr/bin/env bash
# Grouping a field's values into near spellings without a reference table,
# beside sqlite3: `morvane-data groups` (the grouped count query through
# libnetbrg2.so, then the grouping of every distinct value) against `sqlite3`
# running the same grouped query on the same file, both written to a file,
# in the same run. Prints one line per run (wall and CPU seconds, peak RSS in
# MiB, ratios = groups / sqlite3 of wall and of CPU time) and the median ratios.
#
#   bench/groups_vs_sqlite.sh [RUNS]
#
# The database is the values benchmark's (bench/values_db.sql): Goods of
# 1,000,000 rows whose Unit holds 50,000 distinct values, 50 spellings of
# each of 1,000 names that differ in their digits.
set -euo pipefail
runs=${1:-3}
here=$(cd "$(dirname "$0")/.." && pwd)
tool=${MORVANE_DATA:-$here/build/release/tools/morvane-data}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db=$work/values.db

sqlite3 "$db" <"$here/bench/values_db.sql"
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
  read -r toolWall toolCpu toolMib < <(measure /dev/null "$tool" groups --table Goods --field Unit \
    "$work/groups.tsv")
  wallRatio=$(awk -v d="$toolWall" -v s="$sqliteWall" 'BEGIN { printf "%.2f", d / s }')
  cpuRatio=$(awk -v d="$toolCpu" -v s="$sqliteCpu" 'BEGIN { printf "%.2f", d / s }')
  wallRatios+=("$wallRatio")
  cpuRatios+=("$cpuRatio")
  groups=$(tail -n +2 "$work/groups.tsv" | cut -f3 | sort -u | wc -l)
  proposed=$(tail -n +2 "$work/groups.tsv" | awk -F'\t' '$4 != "" { n++ } END { print n + 0 }')
  echo "run $run: sqlite3 ${sqliteWall} s (cpu ${sqliteCpu} s) ${sqliteMib} MiB;" \
    "groups ${toolWall} s (cpu ${toolCpu} s) ${toolMib} MiB;" \
    "values $(wc -l <"$work/sqlite.txt") / $(($(wc -l <"$work/groups.tsv") - 1))," \
    "groups $groups, proposed $proposed; ratio wall $wallRatio cpu $cpuRatio;" \
    "load $(cut -d' ' -f1 /proc/loadavg)"
done
echo "median ratio wall $(printf '%s\n' "${wallRatios[@]}" | median)" \
  "cpu $(printf '%s\n' "${cpuRatios[@]}" | median)"
