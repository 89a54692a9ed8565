#!/usr/bin/env bash
# The test command: installs what is missing, builds the release and the
# sanitizer configurations and runs every test in both (unit tests, the real
# SQLite and PostgreSQL tests, widget tests offscreen, and the fuzzers for a
# bounded time). Ends with ctest's summary of the sanitizer run.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/build.sh release
ctest --test-dir build/release -j "$(nproc)" --output-on-failure --timeout 600

bash scripts/build.sh sanitize
# Leak checking is part of the sanitizer run; suppressions only for system
# libraries outside the project (fontconfig caches, ICU data).
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/sanitize -j "$(nproc)" --output-on-failure --timeout 900
