#!/usr/bin/env bash
# The Debian package as an operator gets it: made from the build folder's
# programs, unpacked into a scratch root with dpkg -x, and run from there in
# a clean environment (no LD_LIBRARY_PATH, no NETBRG_DATABASE, scratch
# HOME, XDG_CONFIG_HOME and XDG_DATA_HOME). Checks that
#   - the package holds the programs, the private transport, the demo
#     scripts, the desktop entry and the icon, and depends on the libraries
#     and on Qt's translations;
#   - both programs answer --version with the project's version;
#   - the first query creates the default database in the data folder and
#     says where; netbrg.ini is read from the configuration folder;
#   - the wizard starts offscreen and draws step 1 (MORVANE_SNAPSHOT), telling
#     where it created the database on a first start and nothing otherwise,
#     and shows the settings of Mvrn.ini in the configuration folder;
#   - nothing is written into the unpacked program folders.
#
#   package_test.sh SOURCE_FOLDER BUILD_FOLDER VERSION WORK_FOLDER
set -euo pipefail
source_folder="$1"
build_folder="$2"
version="$3"
work="$4"

fail() {
  echo "package_test: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work/home"

deb="$(bash "$source_folder/scripts/package.sh" --prebuilt "$build_folder" "$work/deb" | tail -n 1)"
[ "$(basename "$deb")" = "morvane_${version}_amd64.deb" ] || fail "the package is named $deb"
depends="$(dpkg-deb -f "$deb" Depends)"
for dependency in libsqlite3 libpq5 libqt6widgets6 libicu qt6-translations-l10n; do
  grep -q "$dependency" <<< "$depends" || fail "Depends lacks $dependency: $depends"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
for file in usr/bin/morvane usr/bin/morvane-data usr/lib/morvane/libnetbrg2.so \
  usr/share/morvane/schema.sql usr/share/morvane/data.sql usr/share/morvane/make_demo_db.sh \
  usr/share/applications/morvane.desktop usr/share/icons/hicolor/scalable/apps/morvane.svg \
  usr/share/icons/hicolor/48x48/apps/morvane.png usr/share/doc/morvane/copyright \
  usr/share/man/man1/morvane.1.gz; do
  [ -e "$root/$file" ] || fail "the package lacks /$file"
done
zcat "$root/usr/share/doc/morvane/changelog.gz" | head -n 1 | grep -qF "morvane ($version)" ||
  fail "the change log's first entry is not version $version"
for program in morvane morvane-data; do
  readelf -d "$root/usr/bin/$program" | grep -q 'RUNPATH.*\[\$ORIGIN/\.\./lib/morvane\]' ||
    fail "$program has no run path \$ORIGIN/../lib/morvane"
done
files_before="$(cd "$root" && find . | sort)"

# data: the XDG data folder for this run (a fresh one is a first start).
run() {
  local data="$1"
  shift
  env -u LD_LIBRARY_PATH -u NETBRG_DATABASE -u NETBRG_BUSY_TIMEOUT -u MORVANE_SNAPSHOT \
    HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$data" "$@"
}
bin="$root/usr/bin"
created="Создана демонстрационная база данных: "

for program in morvane morvane-data; do
  answer="$(run "$work/data" "$bin/$program" --version)"
  [ "$answer" = "$program $version" ] || fail "$program --version says: $answer"
done
run "$work/data" "$bin/morvane" --help | grep -qF "Settings: $work/config/morvane/Mvrn.ini" ||
  fail "morvane --help names another settings file: $(run "$work/data" "$bin/morvane" --help)"

# The first query creates the default database and says where.
run "$work/data" "$bin/morvane-data" query "SELECT Ident FROM Units WHERE Ident = 'шт'" \
  "$work/units.d" 2> "$work/query.err" || fail "the query failed: $(cat "$work/query.err")"
grep -qF "$created$work/data/morvane/morvane.db" "$work/query.err" ||
  fail "the first query did not say where the database is: $(cat "$work/query.err")"
[ -f "$work/data/morvane/morvane.db" ] || fail "no database in the data folder"
run "$work/data" "$bin/morvane-data" dump "$work/units.d" | grep -q 'шт' ||
  fail "the query's result lacks its row"
run "$work/data" "$bin/morvane-data" exec "SELECT 1" 2> "$work/again.err" ||
  fail "the second connect failed: $(cat "$work/again.err")"
[ ! -s "$work/again.err" ] || fail "a later start talks: $(cat "$work/again.err")"

# netbrg.ini in the configuration folder names the database.
mkdir -p "$work/config/morvane"
printf '[Server]\nDatabase=sqlite:elsewhere.db\n' > "$work/config/morvane/netbrg.ini"
if run "$work/data" "$bin/morvane-data" exec "SELECT 1" 2> "$work/ini.err"; then
  fail "a netbrg.ini naming a missing file was not read"
fi
grep -qF "$work/config/morvane/elsewhere.db" "$work/ini.err" ||
  fail "the failure does not name the file of netbrg.ini: $(cat "$work/ini.err")"
rm "$work/config/morvane/netbrg.ini"

# The wizard: on the database made above it shows no message; on a first
# start it says where it created the database.
snapshot() {
  local data="$1" picture="$2" messages="$3"
  run "$data" env QT_QPA_PLATFORM=offscreen MORVANE_SNAPSHOT="$picture" "$bin/morvane" A \
    2> "$messages" || fail "the wizard did not draw $picture: $(cat "$messages")"
  file "$picture" | grep -q 'PNG image data' || fail "$picture is not a PNG picture"
}
snapshot "$work/data" "$work/step1.png" "$work/wizard.err"
if grep '^\[' "$work/wizard.err"; then fail "the wizard showed a message"; fi
snapshot "$work/data-first" "$work/step1-first.png" "$work/wizard-first.err"
[ "$(grep -c '^\[' "$work/wizard-first.err")" = 1 ] &&
  grep -qF "[Morvane] $created$work/data-first/morvane/morvane.db" "$work/wizard-first.err" ||
  fail "on a first start the wizard says: $(cat "$work/wizard-first.err")"

# Settings under the configuration folder are the ones step 1 shows: the
# same form drawn twice is the same picture, so a different one means the
# wizard read them.
cmp -s "$work/step1.png" "$work/step1-first.png" || fail "the same form drew two different pictures"
printf '%s\r\n' '[Main]' 'CurrCfg=Parts.Unit' '[Parts.Unit]' 'SrcTbl=Parts' 'SrcFld=Unit' \
  'SUnFld=Part' 'InfTbl=Units' 'InfFld=Ident' > "$work/config/morvane/Mvrn.ini"
snapshot "$work/data" "$work/step1-parts.png" "$work/wizard-parts.err"
if cmp -s "$work/step1.png" "$work/step1-parts.png"; then
  fail "the wizard did not show the settings of $work/config/morvane/Mvrn.ini"
fi

files_after="$(cd "$root" && find . | sort)"
[ "$files_before" = "$files_after" ] ||
  fail "the programs wrote into their own folders: $(diff <(echo "$files_before") <(echo "$files_after"))"
echo "package_test: $(basename "$deb") installs and runs from $root"
