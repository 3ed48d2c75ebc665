#!/usr/bin/env bash
# Builds every target with clang in build-clang/ (Debug, without sanitizers, warnings as errors)
# and runs every test: clang refuses some C++20 that gcc takes, and warns where gcc does not.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/scripts/setup-debian.sh"
cmake -S "$root" -B "$root/build-clang" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$root/build-clang"
cd "$root/build-clang"
ctest --output-on-failure -j "$(nproc)"
