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
# MORVANE_DATA names the build to measure (default: build/release). With
# MORVANE_DATA_BEFORE naming another build (an earlier commit's), each run
# measures that one too, right after the first, prints its line and checks
# that both wrote the same file; the medians of both are printed.
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

# Runs one build of morvane-data groups into OUT and prints its line; adds
# its ratios to the arrays named by the last two arguments.
measure_groups() {
  local label=$1 build=$2 out=$3
  local -n walls=$4 cpus=$5
  read -r toolWall toolCpu toolMib < <(measure /dev/null "$build" groups --table Goods \
    --field Unit "$out")
  wallRatio=$(awk -v d="$toolWall" -v s="$sqliteWall" 'BEGIN { printf "%.2f", d / s }')
  cpuRatio=$(awk -v d="$toolCpu" -v s="$sqliteCpu" 'BEGIN { printf "%.2f", d / s }')
  walls+=("$wallRatio")
  cpus+=("$cpuRatio")
  groups=$(tail -n +2 "$out" | cut -f3 | sort -u | wc -l)
  proposed=$(tail -n +2 "$out" | awk -F'\t' '$4 != "" { n++ } END { print n + 0 }')
  echo "run $run$label: sqlite3 ${sqliteWall} s (cpu ${sqliteCpu} s) ${sqliteMib} MiB;" \
    "groups ${toolWall} s (cpu ${toolCpu} s) ${toolMib} MiB;" \
    "values $(wc -l <"$work/sqlite.txt") / $(($(wc -l <"$out") - 1))," \
    "groups $groups, proposed $proposed; ratio wall $wallRatio cpu $cpuRatio;" \
    "load $(cut -d' ' -f1 /proc/loadavg)"
}

before=${MORVANE_DATA_BEFORE:-}
wallRatios=()
cpuRatios=()
beforeWallRatios=()
beforeCpuRatios=()
for run in $(seq 1 "$runs"); do
  read -r sqliteWall sqliteCpu sqliteMib < <(measure "$work/sqlite.txt" sqlite3 -tabs "$db" "$grouped")
  measure_groups "" "$tool" "$work/groups.tsv" wallRatios cpuRatios
  if [[ -n "$before" ]]; then
    measure_groups " before" "$before" "$work/groups-before.tsv" beforeWallRatios beforeCpuRatios
    cmp -s "$work/groups.tsv" "$work/groups-before.tsv" || echo "run $run: the files differ"
  fi
done
if [[ -n "$before" ]]; then
  echo "median ratio before: wall $(printf '%s\n' "${beforeWallRatios[@]}" | median)" \
    "cpu $(printf '%s\n' "${beforeCpuRatios[@]}" | median)"
fi
echo "median ratio wall $(printf '%s\n' "${wallRatios[@]}" | median)" \
  "cpu $(printf '%s\n' "${cpuRatios[@]}" | median)"
