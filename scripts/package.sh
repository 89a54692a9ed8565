#!/usr/bin/env bash
# Makes the Debian package morvane_<version>_amd64.deb.
#
#   bash scripts/package.sh
#       builds the release configuration (build/release) and packages it
#       into build/release/packages/, then runs lintian on the package when
#       lintian is installed
#   bash scripts/package.sh --prebuilt BUILD_FOLDER OUTPUT_FOLDER
#       packages what is already built in BUILD_FOLDER into OUTPUT_FOLDER,
#       without building or lintian (the package test does this)
#
# Prints the path of the package as its last line. Install it with
# `apt install ./morvane_<version>_amd64.deb`, which also installs the
# libraries it depends on.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--prebuilt" ]; then
  if [ $# -ne 3 ]; then
    sed -n '2,14p' "$0" >&2
    exit 2
  fi
  build="$2"
  output="$3"
  check=false
elif [ $# -eq 0 ]; then
  bash scripts/build.sh release
  build=build/release
  output=build/release/packages
  check=true
else
  sed -n '2,14p' "$0" >&2
  exit 2
fi

if [ ! -f "$build/CPackConfig.cmake" ]; then
  echo "package.sh: $build is not a configured build folder (bash scripts/build.sh release)." >&2
  exit 1
fi
for tool in dpkg-shlibdeps file; do
  if ! command -v "$tool" > /dev/null; then
    echo "package.sh: $tool is missing (bash scripts/setup.sh installs it)." >&2
    exit 1
  fi
done

mkdir -p "$output"
output="$(cd "$output" && pwd)"
rm -f "$output"/morvane_*.deb
# CPack stages the install tree under its own folder inside the output folder.
cpack --config "$build/CPackConfig.cmake" -B "$output" > "$output/cpack.log" 2>&1 || {
  cat "$output/cpack.log" >&2
  exit 1
}
rm -rf "$output/_CPack_Packages"
shopt -s nullglob
packages=("$output"/morvane_*_amd64.deb)
if [ ${#packages[@]} -ne 1 ]; then
  echo "package.sh: expected one morvane_<version>_amd64.deb in $output; see $output/cpack.log" >&2
  exit 1
fi

if $check && command -v lintian > /dev/null; then
  echo "package.sh: lintian says:"
  lintian --fail-on error "${packages[0]}"
fi
echo "${packages[0]}"
