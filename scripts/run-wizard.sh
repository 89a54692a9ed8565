#!/usr/bin/env bash
# Starts the wizard on the demo SQLite database with the argument "A".
#
#   bash scripts/run-wizard.sh [build folder] [wizard arguments...]
#
# The build folder defaults to build/release; without wizard arguments the
# wizard gets "A" (create and save offered in step 1). Beside the executable
# the script creates, when missing, the demo database morvane.db and an
# Mvrn.ini with the settings "Goods.Unit" and "Parts.Unit" of the demo
# tables, and the wizard's row counts and suggestions switched on. NETBRG_DATABASE, when set, points the transport at another
# database and is left alone.
#
# The wizard is a window: without a display it runs inside a virtual X
# server (xvfb-run) when there is one, after saying so, and otherwise stops
# with a message. Either way it first draws the three steps into PNG files,
# so the form can be looked at on a machine without a screen.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

build="${1:-build/release}"
[ $# -gt 0 ] && shift
[ $# -gt 0 ] || set -- A

wizard="$root/$build/app/morvane"
transport_dir="$root/$build/transport"
if [ ! -x "$wizard" ]; then
  echo "run-wizard.sh: $build/app/morvane is not built (bash scripts/build.sh release builds it)." >&2
  exit 1
fi
if [ ! -f "$transport_dir/libnetbrg2.so" ]; then
  echo "run-wizard.sh: $build/transport/libnetbrg2.so is not built; the wizard cannot reach a database." >&2
  exit 1
fi
app_dir="$(dirname "$wizard")"
# The session looks for the transport on the library search path.
export LD_LIBRARY_PATH="$transport_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

# The transport's default database is morvane.db beside the executable.
if [ -z "${NETBRG_DATABASE:-}" ] && [ ! -f "$app_dir/morvane.db" ]; then
  bash "$root/scripts/demo_db/make_demo_db.sh" sqlite "$app_dir/morvane.db"
  echo "run-wizard.sh: created the demo database $app_dir/morvane.db"
fi

if [ ! -f "$app_dir/Mvrn.ini" ]; then
  printf '%s\r\n' \
    '[Main]' 'CurrCfg=Goods.Unit' \
    '[Goods.Unit]' 'SrcTbl=Goods' 'SrcFld=Unit' 'SUnFld=Good' 'InfTbl=Units' 'InfFld=Ident' \
    '[Parts.Unit]' 'SrcTbl=Parts' 'SrcFld=Unit' 'SUnFld=Part' 'InfTbl=Units' 'InfFld=Ident' \
    '[Wizard]' 'Counts=1' 'Suggestions=1' 'Groups=1' \
    > "$app_dir/Mvrn.ini"
  echo "run-wizard.sh: wrote the settings $app_dir/Mvrn.ini (Goods.Unit, Parts.Unit; row counts, suggestions and groups on)"
fi

# Qt's offscreen and minimal platforms draw nowhere: a wizard started on them
# would wait for clicks nobody can make.
case "${QT_QPA_PLATFORM:-}" in
  offscreen* | minimal*) unset QT_QPA_PLATFORM ;;
esac
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  exec "$wizard" "$@"
fi

echo "run-wizard.sh: there is no display here (neither DISPLAY nor WAYLAND_DISPLAY is set)."
tabs="$root/$build/app/tabs"
renderer="$root/$build/app/morvane-render-tabs"
if [ -x "$renderer" ]; then
  # The same session, transport and settings as the wizard; what a message
  # box would say is printed instead.
  if messages="$(QT_QPA_PLATFORM=offscreen "$renderer" "$tabs" --transport "$app_dir" 2>&1 > /dev/null)"; then
    echo "run-wizard.sh: the three steps as the wizard shows them now: $tabs/step1.png .. step3.png"
  else
    echo "run-wizard.sh: the three steps could not be drawn into $tabs:" >&2
    grep -v '^\[' <<< "$messages" | sed 's/^/  /' >&2 || true
  fi
  grep '^\[' <<< "$messages" | sed 's/^/run-wizard.sh: the wizard says: /' || true
fi
if command -v xvfb-run > /dev/null; then
  echo "run-wizard.sh: starting the wizard inside a virtual X display (xvfb-run); nothing is"
  echo "  visible from here. Stop it with Ctrl+C. On a desktop, run this script there."
  exec xvfb-run -a "$wizard" "$@"
fi
echo "run-wizard.sh: no virtual X server (xvfb-run) either, so the wizard cannot start." >&2
echo "  Run this script on a desktop session, or over ssh -X." >&2
exit 2
