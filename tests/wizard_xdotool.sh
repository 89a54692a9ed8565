#!/usr/bin/env bash
# The operator's journey from outside the process: the built wizard runs in
# a virtual X display (xvfb-run) and is driven only by xdotool's key and
# mouse events; the back end's own client checks the database afterwards.
#
#   wizard_xdotool.sh BUILD_FOLDER WORK_FOLDER [sqlite|mariadb]
#
# With mariadb the demo database lives on a throw-away server
# (tests/mariadb_fixture.sh) with the server's default collation, to which
# "Шт" and "шт" are one value: the wizard must still tell them apart.
# On a fresh demo database: step 2, read; the "Новое" cell of "шт." gets
# the allowed "шт" by typing its first letters into the drop-down and
# choosing with the keyboard, the cell of "Шт" by a mouse click in the list;
# step 3, generate, execute, OK on the message. Then Goods.Unit must hold no
# "шт." and no "Шт", and every other row must be as it was. Positions are
# the form's designed places (the window is not resized). Exit 77 (skipped)
# without xvfb-run, xdotool, setxkbmap or the back end's client (and server).
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$2"
backend="${3:-sqlite}"
here="$(cd "$(dirname "$0")/.." && pwd)"
client_tool=sqlite3
[ "$backend" = mariadb ] && client_tool=mariadb
for tool in xvfb-run xdotool setxkbmap "$client_tool"; do
  command -v "$tool" > /dev/null || { echo "$tool missing"; exit 77; }
done
rm -rf "$work"
mkdir -p "$work"
# The wizard reads Mvrn.ini beside itself: a copy of it in the work folder
# starts from the default setting whatever the build folder holds. A settings
# file without the section "Wizard" keeps step 2 the written one (with none
# at all, the first start would switch the additions on).
cp "$build/app/morvane" "$work/morvane"
printf '%s\r\n' '[Main]' 'CurrCfg=Goods.Unit' > "$work/Mvrn.ini"
if [ "$backend" = mariadb ]; then
  if ! started="$(bash "$here/tests/mariadb_fixture.sh" start 2> "$work/mariadb.err")"; then
    cat "$work/mariadb.err"
    exit 77
  fi
  eval "$started"
  trap 'bash "$here/tests/mariadb_fixture.sh" stop "$MARIADB_FIXTURE_DIR"' EXIT
  bash "$here/scripts/demo_db/make_demo_db.sh" mariadb "$NETBRG_DATABASE" > /dev/null
  query() {
    mariadb --no-defaults --default-character-set=utf8mb4 -uroot -N -B \
      --socket="$MARIADB_FIXTURE_DIR/mysqld.sock" -D morvane -e "SET sql_mode = 'PIPES_AS_CONCAT'; $1"
  }
  # The wizard's values query reaches the server grouped by the bytes.
  values_query="SELECT IFNULL(Unit, '') FROM Goods GROUP BY CAST(CONVERT(Unit USING utf8mb4) AS BINARY)"
else
  database="$work/demo.db"
  bash "$here/scripts/demo_db/make_demo_db.sh" sqlite "$database" > /dev/null
  query() { sqlite3 "$database" "$1"; }
  values_query="SELECT IFNULL(Unit, '') FROM (SELECT DISTINCT Unit FROM Goods)"
  export NETBRG_DATABASE="sqlite:$database"
fi
rows() { query "SELECT Good || '=' || IFNULL(Unit, '<NULL>') FROM Goods ORDER BY Good"; }
rows > "$work/before.txt"
# The grid lists the values in the order of the wizard's own query.
query "$values_query" > "$work/values.txt"
export LD_LIBRARY_PATH="$build/transport${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export LC_ALL=C.UTF-8 LANG=C.UTF-8

cat > "$work/drive.sh" <<'DRIVE'
set -euo pipefail
work="$1"
"$work/morvane" > "$work/wizard.out" 2>&1 &
wizard=$!
trap 'kill "$wizard" 2> /dev/null || true' EXIT
window="$(xdotool search --sync --onlyvisible --name '^Morvane$' | head -1)"
# Events go through the X test extension to the focused window, as a real
# keyboard's would (events sent to a window directly are marked synthetic).
xdotool windowfocus --sync "$window"
# A bare X server knows no Cyrillic keys: with the Russian layout the letters
# typed below are keys of the keyboard (arrows and Enter stay where they are).
setxkbmap ru
pause() { sleep 0.4; }
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; pause; }
key() { xdotool key "$@"; pause; }
type_text() { xdotool type --delay 80 "$1"; pause; }
# Form places (client coordinates of the designed 432 x 313 form).
tab2=(98 22); tab3=(157 22); read_button=(57 277); gen_button=(57 277); do_button=(137 277)
new_column_x=208; first_row_y=125; row_height=19
row_of() { grep -nxF -- "$1" "$work/values.txt" | head -1 | cut -d: -f1; }

click "${tab2[@]}"
click "${read_button[@]}"
sleep 1
# "шт.": into the first row's "Новое" cell, down to its row with the
# keyboard, type the start of the allowed value and take it with Enter.
click "$new_column_x" "$first_row_y"
key ctrl+Home
down_to() { local steps=$(($(row_of "$1") - 1)); [ "$steps" -gt 0 ] && xdotool key --repeat "$steps" --delay 40 Down; pause; }
down_to 'шт.'
type_text "шту"
sleep 0.5
key Return
key Return
# "Шт": the same row search, the list opened by typing, the value clicked.
key ctrl+Home
down_to 'Шт'
type_text "шту"
sleep 0.5
# The drop-down is a window of its own: click its first line, the match.
popup=""
for candidate in $(xdotool search --onlyvisible --pid "$wizard" ""); do
  [ "$candidate" != "$window" ] && popup="$candidate"
done
if [ -z "$popup" ]; then
  echo "no drop-down list opened" >&2
  exit 1
fi
xdotool mousemove --window "$popup" 20 8 click 1
pause
key Return
click "${tab3[@]}"
click "${gen_button[@]}"
click "${do_button[@]}"
sleep 1
key Return   # OK on the message
sleep 0.5
DRIVE

xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/drive.sh" "$work"
rows > "$work/after.txt"
sed -e 's/=шт\.$/=шт/' -e 's/=Шт$/=шт/' "$work/before.txt" > "$work/expected.txt"
if diff "$work/expected.txt" "$work/after.txt"; then
  echo "the wizard mapped шт. and Шт to шт and changed nothing else"
else
  echo "Goods differs from what the journey should leave (< expected, > found)"
  exit 1
fi
