#!/usr/bin/env bash
# Builds Tabulon with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/scripts/setup-debian.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTABULON_SANITIZE=ON >/dev/null
cmake --build "$root/build"
cd "$root/build"
ctest --output-on-failure -j "$(nproc)"
