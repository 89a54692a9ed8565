#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Run as root on Debian 12. Packages already present are left alone, so a
# second run (or a machine that has them) costs no download.
set -euo pipefail

packages=(
  # toolchain and build
  g++ clang libclang-rt-14-dev cmake ninja-build
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # runtime library: locale rules
  libicu-dev
  # transport back ends and their command-line clients (benchmarks, demo data)
  libsqlite3-dev sqlite3 libpq-dev postgresql
  # MariaDB/MySQL: Connector/C for the transport, the server for the tests'
  # throw-away instance, the client for the benchmark and the demo database
  libmariadb-dev mariadb-server mariadb-client
  # the GUI, and a virtual display for machines without one
  qt6-base-dev libgl-dev xvfb xauth
  # Qt's own buttons, menus and dialogs in Russian (qtbase_ru.qm)
  qt6-translations-l10n
  # drive the wizard from outside the process in the end-to-end test (keys,
  # mouse, a Russian keyboard layout in the virtual display)
  xdotool x11-xkb-utils
  # fonts the widgets are laid out and tested with
  fontconfig fonts-dejavu-core
  # the Debian package: its dependencies (dpkg-shlibdeps) and CPack's ELF check
  dpkg-dev file
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#packages[@]} packages are installed"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}"
