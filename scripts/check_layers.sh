#!/usr/bin/env bash
# Checks the layer rules of docs/architecture.md on the source tree:
#   - a layer includes project headers only from itself and the layers below;
#   - nothing below platform/ui includes a Qt header.
# Prints every include that breaks a rule and exits 1 if there is one.
# Usage: scripts/check_layers.sh [project folder]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# folder -> the project folders its files may include (besides themselves)
declare -A allowed=(
  [platform/rtl]=""
  [platform/db]="platform/rtl"
  [engine]="platform/rtl platform/db"
  [transport]=""
  [server]="platform/rtl platform/db engine transport"
  [replace]="platform/rtl platform/db engine server"
  [tools]="platform/rtl platform/db engine server replace"
  [platform/ui]="platform/rtl platform/db"
  [controls]="platform/rtl platform/db engine server platform/ui"
  [app]="platform/rtl platform/db engine server replace platform/ui controls"
)
qt_free="platform/rtl platform/db engine transport server replace tools"

failures=0
for layer in "${!allowed[@]}"; do
  [ -d "$layer" ] || continue
  permitted=" $layer ${allowed[$layer]} "
  while IFS=: read -r file line text; do
    target=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$text")
    folder=""
    for candidate in platform/rtl platform/db platform/ui controls engine transport server replace tools app; do
      if [[ "$target" == "$candidate/"* ]]; then folder=$candidate; break; fi
    done
    [ -n "$folder" ] || continue
    if [[ "$permitted" != *" $folder "* ]]; then
      echo "$file:$line: $layer may not include $target"
      failures=$((failures + 1))
    fi
  done < <(grep -rnE '^\s*#\s*include "' "$layer" --include=*.h --include=*.cpp || true)
done

for layer in $qt_free; do
  [ -d "$layer" ] || continue
  while IFS= read -r hit; do
    echo "$hit: Qt below platform/ui"
    failures=$((failures + 1))
  done < <(grep -rnE '^\s*#\s*include\s*<Q[A-Za-z]*>' "$layer" --include=*.h --include=*.cpp || true)
done

if [ "$failures" -ne 0 ]; then
  echo "check_layers: $failures include(s) break the layer rules" >&2
  exit 1
fi
echo "check_layers: every include follows the layer rules"
