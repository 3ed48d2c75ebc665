#!/usr/bin/env bash
# Builds the benchmarks in Release mode (build-release/) and runs them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup-debian.sh"
cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTABULON_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build-release" --target generation_bench expat_pass convert_listxml_bench \
  run_measured archive_directories tabulon-cli tabulon shape_steps_bench
# Interleaved repetitions: the forms of a dat are measured side by side, in turns.
"$root/build-release/bin/generation_bench" --benchmark_repetitions=9 \
  --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
# The list shaping's filters and family choice over 40,000 records, with the tests' nplayers.ini.
cmake -E chdir "$root/build-release" cmake -E tar xf "$root/tests/data/catver/nplayers_0.212.ini.tar.xz"
"$root/build-release/bin/shape_steps_bench" "$root/build-release/catver/nplayers_0.212.ini"
# The directories of a full ROM folder's 40,000 zips (made once in /tmp).
"$root/build-release/bin/archive_directories"
# The window against the CLI on a 40,000-game list.
bash "$root/bench/window_vs_cli.sh" "$root/build-release"
# Today's MAME against Tabulon's run over its -listxml (needs Debian's MAME and about a minute).
bash "$root/bench/mame_side_by_side.sh" "$root/build-release"
