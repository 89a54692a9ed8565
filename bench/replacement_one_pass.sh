#!/usr/bin/env bash
# A replacement at scale, beside the server's own client running the
# hand-written set-based statement in the same run:
#
#   hand      sqlite3/psql: one UPDATE ... FROM the mapping, in one transaction
#   hand back the same statement with the mapping reversed (what an undo does)
#   apply     morvane-data apply --execute --key id (one set-based statement,
#             the keys read, guarded, and the undo file written)
#   undo      morvane-data undo of that run
#   lines     morvane-data apply --execute --line-by-line (one request per
#             value; only with LINES=1, it scans the table once per value)
#
# Each step prints wall seconds, peak RSS in MiB and CPU seconds (user + sys,
# /usr/bin/time), then the ratios apply/hand and undo/hand-back, by wall time
# and, for SQLite (whose work is all in the measured process), by CPU time:
# on a loaded machine the CPU ratio is the steadier one. The table after
# apply must equal the table after the hand-written statement, and after undo
# the table before (checksums of full ordered dumps); the script fails
# otherwise.
#
#   [ROUNDS=N] bench/replacement_one_pass.sh sqlite|postgres [ROWS] [VALUES] [MAPPED_PERCENT]
#
# With ROUNDS the four steps run N times over and the figures are medians.
# Defaults: 200000 rows, 1000 mapped values, 30 % of the rows mapped. The
# table Items(id INTEGER PRIMARY KEY, f VARCHAR(40)) has no index on f.
# PostgreSQL: a throw-away server on loopback (tests/pg_fixture.sh).
set -euo pipefail
server=${1:?usage: replacement_one_pass.sh sqlite|postgres [ROWS] [VALUES] [MAPPED_PERCENT]}
rows=${2:-200000}
values=${3:-1000}
share=${4:-30}
here=$(cd "$(dirname "$0")/.." && pwd)
tool=${MORVANE_DATA:-$here/build/release/tools/morvane-data}
work=$(mktemp -d)
pgdir=
cleanup() {
  if [[ -n "$pgdir" ]]; then "$here/tests/pg_fixture.sh" stop "$pgdir"; fi
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_STATE_HOME=$work/state

# Row i holds a mapped value m<k> for MAPPED_PERCENT of the rows, spread
# over the table, and one of 997 other values otherwise.
fill="INSERT INTO Items (id, f) SELECT i, CASE WHEN (i * 37) % 100 < $share
  THEN 'm' || (i % $values) ELSE 'u' || (i % 997) END FROM"
pairs() {  # "('m0', 'n0'), ..." forward or back
  awk -v n="$values" -v back="$1" 'BEGIN { for (k = 0; k < n; k++) {
    o = "m" k; w = "n" k; if (back) { t = o; o = w; w = t }
    printf "%s('\''%s'\'', '\''%s'\'')", (k ? ", " : ""), o, w } }'
}
for k in $(seq 0 $((values - 1))); do printf 'm%s\tn%s\n' "$k" "$k"; done >"$work/mapping.tsv"

case "$server" in
  sqlite)
    db=$work/items.db
    sqlite3 "$db" "CREATE TABLE Items (id INTEGER PRIMARY KEY, f VARCHAR(40));
      WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < $rows) $fill s"
    export NETBRG_DATABASE="sqlite:$db"
    client() { sqlite3 -batch -bail "$db" "$1"; }
    handSql() {
      echo "BEGIN; CREATE TEMP TABLE map (o TEXT PRIMARY KEY, n TEXT);
        INSERT INTO map VALUES $(pairs "$1");
        UPDATE Items SET f = map.n FROM map WHERE Items.f = map.o; DROP TABLE map; COMMIT;"
    }
    handRun=(sqlite3 -batch -bail "$db" ".read $work/hand.sql")
    ;;
  postgres)
    eval "$("$here/tests/pg_fixture.sh" start)"
    pgdir=$PG_FIXTURE_DIR
    client() { psql -X -q -At -v ON_ERROR_STOP=1 -d "$NETBRG_DATABASE" -c "$1"; }
    client "CREATE TABLE Items (id INTEGER PRIMARY KEY, f VARCHAR(40));
      $fill generate_series(1, $rows) AS s(i)"
    client "VACUUM ANALYZE Items"
    handSql() {
      echo "BEGIN; UPDATE Items SET f = m.n FROM (VALUES $(pairs "$1")) AS m(o, n)
        WHERE Items.f = m.o; COMMIT;"
    }
    handRun=(psql -X -q -v ON_ERROR_STOP=1 -d "$NETBRG_DATABASE" -f "$work/hand.sql")
    ;;
  *)
    echo "server: sqlite or postgres" >&2
    exit 2
    ;;
esac

checksum() { client "SELECT id, f FROM Items ORDER BY id" | md5sum | cut -d' ' -f1; }
# "wall_seconds rss_mib cpu_seconds" of a command.
measure() {
  /usr/bin/time -f '%e %M %U %S' -o "$work/time" "$@" >"$work/out" 2>"$work/err" ||
    { cat "$work/err" >&2; exit 1; }
  awk '{ printf "%.2f %.0f %.2f\n", $1, $2 / 1024, $3 + $4 }' "$work/time"
}
ratio() { awk -v a="$1" -v h="$2" 'BEGIN { if (h > 0) printf "%.2f", a / h; else printf "-" }'; }

mapped=$(client "SELECT COUNT(*) FROM Items WHERE f LIKE 'm%'")
before=$(checksum)
# Every step starts from the same table: PostgreSQL's dead row versions of
# the step before are vacuumed away first (not measured), or each step would
# pay for the ones before it.
settle() { [[ "$server" == postgres ]] && client "VACUUM Items" >/dev/null || true; }
declare -A wall mib cpu
step() {  # name, command...
  local name=$1
  shift
  settle
  local w m c
  read -r w m c < <(measure "$@")
  wall[$name]+="$w "
  mib[$name]+="$m "
  cpu[$name]+="$c "
}
median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for round in $(seq "${ROUNDS:-1}"); do
  handSql 0 >"$work/hand.sql"
  step hand "${handRun[@]}"
  afterHand=$(checksum)
  handSql 1 >"$work/hand.sql"
  step back "${handRun[@]}"
  [[ $(checksum) == "$before" ]] || { echo "hand back did not restore the table" >&2; exit 1; }
  step apply "$tool" apply --table Items --field f --key id --execute "$work/mapping.tsv"
  [[ $(checksum) == "$afterHand" ]] || { echo "apply left another table than the hand statement" >&2; exit 1; }
  undoFile=$(awk -F'\t' '$1 == "файл отмены" { print $2 }' "$work/out")
  step undo "$tool" undo "$undoFile"
  [[ $(checksum) == "$before" ]] || { echo "undo did not restore the table" >&2; exit 1; }
done
for name in hand back apply undo; do
  printf -v "${name}Wall" '%s' "$(median "${wall[$name]}")"
  printf -v "${name}Mib" '%s' "$(median "${mib[$name]}")"
  printf -v "${name}Cpu" '%s' "$(median "${cpu[$name]}")"
done

echo "$server: $rows rows, $values values, $mapped rows mapped ($share %), medians of ${ROUNDS:-1} rounds"
echo "hand      ${handWall} s  ${handMib} MiB  cpu ${handCpu} s"
echo "hand back ${backWall} s  ${backMib} MiB  cpu ${backCpu} s"
# PostgreSQL does its work in the server, so only SQLite has a CPU ratio.
cpuRatio() { [[ "$server" == sqlite ]] && echo "  cpu ratio $(ratio "$1" "$2")" || true; }
echo "apply     ${applyWall} s  ${applyMib} MiB  cpu ${applyCpu} s  ratio $(ratio "$applyWall" "$handWall")$(cpuRatio "$applyCpu" "$handCpu")"
echo "undo      ${undoWall} s  ${undoMib} MiB  cpu ${undoCpu} s  ratio $(ratio "$undoWall" "$backWall")$(cpuRatio "$undoCpu" "$backCpu")"
if [[ "${LINES:-0}" == 1 ]]; then
  settle
  read -r linesWall linesMib linesCpu < <(measure "$tool" apply --table Items --field f --execute \
    --line-by-line "$work/mapping.tsv")
  [[ $(checksum) == "$afterHand" ]] || { echo "line by line left another table" >&2; exit 1; }
  echo "lines     ${linesWall} s  ${linesMib} MiB  ratio $(ratio "$linesWall" "$handWall")"
fi
echo "load $(cut -d' ' -f1 /proc/loadavg)"
