#!/usr/bin/env bash
# Configures and builds one build folder.
#   scripts/build.sh release    -> build/release  (g++, optimised, with debug info)
#   scripts/build.sh sanitize   -> build/sanitize (clang, address + undefined +
#                                  leak sanitizers, libFuzzer targets)
set -euo pipefail
cd "$(dirname "$0")/.."

kind=${1:-release}
# A compiler cache, when the machine has one, makes rebuilds in several work
# trees cheap; CI does not install it and builds without.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
case "$kind" in
  release)
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ "${launcher[@]}" >/dev/null
    ;;
  sanitize)
    cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DMORVANE_SANITIZE=ON -DMORVANE_FUZZ=ON -DMORVANE_BENCH=OFF "${launcher[@]}" >/dev/null
    ;;
  *)
    echo "usage: scripts/build.sh release|sanitize" >&2
    exit 2
    ;;
esac
cmake --build "build/$kind" -j "$(nproc)"
