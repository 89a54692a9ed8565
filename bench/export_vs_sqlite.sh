#!/usr/bin/env bash
# Text export beside sqlite3: `morvane-data dump` of a data file against
# `sqlite3 -tabs` printing the same rows from a database file, both written to
# a file, in the same run. Prints one line per run (wall seconds, peak RSS in
# MiB, ratio = dump time / sqlite3 time) and the median ratio.
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

# Prints "seconds rss_mib" of one command whose output goes to a file.
measure() {
  local target=$1
  shift
  /usr/bin/time -f '%e %M' -o "$out/time" "$@" >"$target"
  awk '{ printf "%.2f %.0f", $1, $2 / 1024 }' "$out/time"
}

ratios=()
for run in $(seq 1 "$runs"); do
  read -r sqliteSeconds sqliteMib < <(measure "$out/sqlite.txt" sqlite3 -tabs "$db" 'SELECT * FROM t')
  read -r dumpSeconds dumpMib < <(measure "$out/dump.txt" "$tool" dump "$datafile")
  ratio=$(awk -v d="$dumpSeconds" -v s="$sqliteSeconds" 'BEGIN { printf "%.2f", d / s }')
  ratios+=("$ratio")
  echo "run $run: sqlite3 ${sqliteSeconds} s ${sqliteMib} MiB; dump ${dumpSeconds} s ${dumpMib} MiB;" \
    "lines $(wc -l <"$out/sqlite.txt") / $(($(wc -l <"$out/dump.txt") - 1)); ratio $ratio;" \
    "load $(cut -d' ' -f1 /proc/loadavg)"
done
printf '%s\n' "${ratios[@]}" | sort -n | awk '{ r[NR] = $1 } END { print "median ratio", r[int((NR + 1) / 2)] }'
