#!/usr/bin/env bash
# Builds the tests of the libraries that start threads (platform, mame, app) with
# ThreadSanitizer in build-tsan/ and runs them. A race fails the test it happens in; the programs
# the tests start (tabulon-cli, the stand-in MAME) are built with it too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/scripts/setup-debian.sh"
cmake -S "$root" -B "$root/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTABULON_TSAN=ON \
  -DTABULON_BUILD_GUI=OFF -DTABULON_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build-tsan" --target platform_test mame_test app_test
cd "$root/build-tsan"
# The libraries whose tests were not built leave a placeholder test each; IncludeLayers reads
# the sources only.
ctest --output-on-failure -j "$(nproc)" -E '_NOT_BUILT$|^IncludeLayers$'
