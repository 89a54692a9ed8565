#!/usr/bin/env bash
# The main job: installs what is missing, builds, and starts the wizard on the
# embedded demo database.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/build.sh release
if [ -x scripts/run-wizard.sh ] || [ -f scripts/run-wizard.sh ]; then
  exec bash scripts/run-wizard.sh build/release "$@"
fi
echo "run.sh: built everything in build/release; the wizard is not part of this build yet."
