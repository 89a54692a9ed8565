#!/usr/bin/env bash
# The three engine steps measured against their peers in the same run:
#   scan_sum_price  beside SQLite's table scan (SELECT sum(price) of an
#                   in-memory table, sqlite3's own timer)
#   heap_loaded_kib beside the memory SQLite holds for the same rows in memory
#                   (".stats" Memory Used after the import minus before)
#   save_binary     beside `cp` of the same data file (fresh target), and
#                   beside `cp` followed by `sync` of the copy (the save makes
#                   its file durable before it renames it into place)
# Each round runs every given peer_steps binary into its own empty WORKDIR,
# then sqlite3 and cp, so the figures of one round share the machine's load.
# Prints one line per round and measurement, then the medians and ratios.
#
#   bench/engine_steps_vs_peers.sh DATA.tsv WORKDIR RUNS PEER_STEPS [PEER_STEPS...]
set -euo pipefail
tsv=$1
work=$2
runs=$3
shift 3
mkdir -p "$work"
results=$work/results.tsv
: >"$results"

sqlite_round() {
  sqlite3 :memory: <<SQL
CREATE TABLE t(id INTEGER, name TEXT, descr TEXT, price REAL, qty INTEGER, flag INTEGER,
               created TEXT);
.stats on
SELECT 'before';
.stats off
.mode tabs
.import --skip 1 $tsv t
.stats on
SELECT 'after';
.stats off
.timer on
SELECT sum(price) FROM t;
SQL
}

for round in $(seq 1 "$runs"); do
  load=$(cut -d' ' -f1 /proc/loadavg)
  index=0
  for binary in "$@"; do
    index=$((index + 1))
    dir=$work/run$index
    rm -rf "$dir" && mkdir -p "$dir"
    "$binary" "$tsv" "$dir" >"$dir/out.tsv"
    for step in scan_sum_price cpu:scan_sum_price heap_loaded_kib save_binary cpu:save_binary \
      file_kib; do
      value=$(awk -F'\t' -v s="$step" '$1 == s { print $2 }' "$dir/out.tsv")
      printf '%s\t%s\t%s\t%s\n' "$round" "peer_steps$index" "$step" "$value" >>"$results"
    done
    grep '^#' "$dir/out.tsv" | tr '\n' ' ' | sed "s/^/round $round peer_steps$index checks: /"
    echo
  done
  sqlite_out=$(sqlite_round)
  before=$(echo "$sqlite_out" | awk '/^before/ { getline; print $3 }')
  after=$(echo "$sqlite_out" | awk '/^after/ { getline; print $3 }')
  scan=$(echo "$sqlite_out" | awk '/^Run Time:/ { printf "%.1f", $4 * 1000 }')
  scan_cpu=$(echo "$sqlite_out" | awk '/^Run Time:/ { printf "%.1f", ($6 + $8) * 1000 }')
  printf '%s\tsqlite3\tscan_sum_price\t%s\n' "$round" "$scan" >>"$results"
  printf '%s\tsqlite3\tcpu:scan_sum_price\t%s\n' "$round" "$scan_cpu" >>"$results"
  printf '%s\tsqlite3\theap_loaded_kib\t%s\n' "$round" "$(((after - before) / 1024))" >>"$results"
  # cp of the file the first binary saved, to a target that does not exist.
  rm -f "$work/copy.d"
  start=$(date +%s%N)
  cp "$work/run1/peer_steps.d" "$work/copy.d"
  end=$(date +%s%N)
  printf '%s\tcp\tsave_binary\t%s\n' "$round" "$(awk -v ns=$((end - start)) 'BEGIN { printf "%.1f", ns / 1e6 }')" >>"$results"
  rm -f "$work/copy.d"
  # The same with the copy flushed to disk, as the save does before it
  # renames its file into place.
  start=$(date +%s%N)
  cp "$work/run1/peer_steps.d" "$work/copy.d"
  sync "$work/copy.d"
  end=$(date +%s%N)
  printf '%s\tcp+sync\tsave_binary\t%s\n' "$round" "$(awk -v ns=$((end - start)) 'BEGIN { printf "%.1f", ns / 1e6 }')" >>"$results"
  rm -f "$work/copy.d"
  echo "round $round done (load average before: $load)"
done

echo
echo "per round:"
sort -k3,3 -k2,2 -k1,1n "$results" | column -t -s $'\t'
echo
echo "medians of $runs rounds:"
python3 - "$results" <<'PY'
import statistics, sys
from collections import defaultdict
values = defaultdict(list)
for line in open(sys.argv[1]):
    run, who, step, value = line.rstrip("\n").split("\t")
    if value:
        values[(who, step)].append(float(value))
medians = {key: statistics.median(v) for key, v in values.items()}
for (who, step), median in sorted(medians.items(), key=lambda item: (item[0][1], item[0][0])):
    print(f"{step:20} {who:12} {median:12.1f}")
peer = {"scan_sum_price": "sqlite3", "cpu:scan_sum_price": "sqlite3",
        "heap_loaded_kib": "sqlite3", "save_binary": "cp"}
print()
for (who, step), median in sorted(medians.items()):
    if who.startswith("peer_steps") and step in peer and (peer[step], step) in medians:
        base = medians[(peer[step], step)]
        print(f"{step:20} {who:12} / {peer[step]:8} = {median / base:.2f}")
        if step == "save_binary" and ("cp+sync", step) in medians:
            print(f"{step:20} {who:12} / {'cp+sync':8} = {median / medians[('cp+sync', step)]:.2f}")
PY
