#!/usr/bin/env bash
# Groups of near spellings in the built wizard, driven from outside by
# xdotool in a virtual X display: a setting without a reference table and
# the groups switched on; step 2, read, "Принять предложения"; step 3,
# generate, execute, OK. Goods must then hold, row for row, what
# `morvane-data groups` on a fresh copy of the demo database proposes, and
# nothing else may change.
#
#   wizard_groups_xdotool.sh BUILD_FOLDER WORK_FOLDER [SHOTS_FOLDER]
#
# With SHOTS_FOLDER every stage is also saved as a picture of the window.
# Exit 77 (skipped) without xvfb-run, xdotool, import or sqlite3.
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$2"
shots="${3:-}"
here="$(cd "$(dirname "$0")/.." && pwd)"
for tool in xvfb-run xdotool import sqlite3; do
  command -v "$tool" > /dev/null || { echo "$tool missing"; exit 77; }
done
rm -rf "$work"
mkdir -p "$work"
cp "$build/app/morvane" "$work/morvane"
printf '%s\r\n' '[Wizard]' 'Counts=1' 'Suggestions=1' 'Groups=1' '[Main]' 'CurrCfg=Goods.Unit' \
  '[Goods.Unit]' 'SrcTbl=Goods' 'SrcFld=Unit' 'SUnFld=Good' 'InfTbl=' 'InfFld=' > "$work/Mvrn.ini"
database="$work/demo.db"
bash "$here/scripts/demo_db/make_demo_db.sh" sqlite "$database" > /dev/null
cp "$database" "$work/fresh.db"
rows() { sqlite3 "$database" "SELECT Good || '=' || IFNULL(Unit, '<NULL>') FROM Goods ORDER BY Good"; }
rows > "$work/before.txt"
export LD_LIBRARY_PATH="$build/transport${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export LC_ALL=C.UTF-8 LANG=C.UTF-8 XDG_STATE_HOME="$work/state"
NETBRG_DATABASE="sqlite:$work/fresh.db" "$build/tools/morvane-data" groups --table Goods \
  --field Unit "$work/groups.tsv"
export NETBRG_DATABASE="sqlite:$database"

cat > "$work/drive.sh" <<'DRIVE'
set -euo pipefail
work="$1"
shots="$2"
"$work/morvane" > "$work/wizard.out" 2>&1 &
wizard=$!
trap 'kill "$wizard" 2> /dev/null || true' EXIT
window="$(xdotool search --sync --onlyvisible --name '^Morvane$' | head -1)"
xdotool windowfocus --sync "$window"
pause() { sleep 0.6; }
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; pause; }
shot() { [ -z "$shots" ] || import -window "$window" "$shots/$1.png"; }
# Form places (client coordinates of the designed 432 x 313 form).
tab2=(98 22); tab3=(157 22); read_button=(57 277); accept_button=(180 277)
gen_button=(57 277); do_button=(137 277)
click "${tab2[@]}"
shot 1-step2
click "${read_button[@]}"
sleep 1.5
shot 2-groups-proposed
click "${accept_button[@]}"
sleep 0.5
shot 3-proposals-accepted
click "${tab3[@]}"
click "${gen_button[@]}"
sleep 0.5
shot 4-script
click "${do_button[@]}"
sleep 1.5
shot 5-executed
xdotool key Return   # OK on the message
sleep 0.5
DRIVE

[ -z "$shots" ] || mkdir -p "$shots"
xvfb-run -a -s "-screen 0 800x600x24" bash "$work/drive.sh" "$work" "$shots"
rows > "$work/after.txt"
# Each row's value replaced by its proposal, where it has one.
awk -F'\t' 'NR == FNR { if (FNR > 1 && $4 != "") proposed[$1] = $4; next }
  { at = index($0, "="); value = substr($0, at + 1)
    if (value in proposed) value = proposed[value]
    print substr($0, 1, at) value }' "$work/groups.tsv" "$work/before.txt" > "$work/expected.txt"
if ! diff "$work/expected.txt" "$work/after.txt"; then
  echo "Goods differs from the accepted proposals (< expected, > found)"
  exit 1
fi
changed="$(diff "$work/before.txt" "$work/after.txt" | grep -c '^>' || true)"
[ "$changed" -gt 0 ] || { echo "nothing was proposed and accepted"; exit 1; }
echo "the wizard gave $changed rows their group's spelling and changed nothing else"
