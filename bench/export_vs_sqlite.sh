#!/usr/bin/env bash
# Text export beside sqlite3: `morvane-data dump` of a data file against
# `sqlite3 -tabs` printing the same rows from a database file, both written to
# a file, in the same run. Prints one line per run (wall seconds, CPU seconds,
# peak RSS in MiB, ratios = dump / sqlite3 of wall and of CPU time) and the
# median ratios. On a busy machine the CPU ratio is the steadier one.
#
#   bench/export_vs_sqlite.sh DATA.tsv DATA.d [RUNS]
#
# DATA.d is the file peer_steps leaves in its WORKDIR for DATA.tsv. The
# SQLite database is made once beside DATA.tsv (DATA.tsv.sqlite) with typed
# columns and sqlite3's own .import.
set -euo pipefail
tsv=$1
datafile=$2
runs=${3:-3}
here=$(cd "$(dirname "$0")/.." && pwd)
tool=${MORVANE_DATA:-$here/build/release/tools/morvane-data}
db=$tsv.sqlite
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

if [ ! -s "$db" ]; then
  sqlite3 "$db" <<SQL
CREATE TABLE t(id INTEGER, name TEXT, descr TEXT, price REAL, qty INTEGER, flag INTEGER,
               created TEXT);
.mode tabs
.import --skip 1 $tsv t
SQL
fi

# Prints "wall_seconds cpu_seconds rss_mib" of one command whose output goes
# to a file.
measure() {
  local target=$1
  shift
  /usr/bin/time -f '%e %U %S %M' -o "$out/time" "$@" >"$target"
  awk '{ printf "%.2f %.2f %.0f\n", $1, $2 + $3, $4 / 1024 }' "$out/time"
}

median() {
  sort -n | awk '{ r[NR] = $1 } END { print r[int((NR + 1) / 2)] }'
}

wallRatios=()
cpuRatios=()
for run in $(seq 1 "$runs"); do
  read -r sqliteWall sqliteCpu sqliteMib < <(measure "$out/sqlite.txt" sqlite3 -tabs "$db" 'SELECT * FROM t')
  read -r dumpWall dumpCpu dumpMib < <(measure "$out/dump.txt" "$tool" dump "$datafile")
  wallRatio=$(awk -v d="$dumpWall" -v s="$sqliteWall" 'BEGIN { printf "%.2f", d / s }')
  cpuRatio=$(awk -v d="$dumpCpu" -v s="$sqliteCpu" 'BEGIN { printf "%.2f", d / s }')
  wallRatios+=("$wallRatio")
  cpuRatios+=("$cpuRatio")
  echo "run $run: sqlite3 ${sqliteWall} s (cpu ${sqliteCpu} s) ${sqliteMib} MiB;" \
    "dump ${dumpWall} s (cpu ${dumpCpu} s) ${dumpMib} MiB;" \
    "lines $(wc -l <"$out/sqlite.txt") / $(($(wc -l <"$out/dump.txt") - 1));" \
    "ratio wall $wallRatio cpu $cpuRatio; load $(cut -d' ' -f1 /proc/loadavg)"
done
echo "median ratio wall $(printf '%s\n' "${wallRatios[@]}" | median)" \
  "cpu $(printf '%s\n' "${cpuRatios[@]}" | median)"
