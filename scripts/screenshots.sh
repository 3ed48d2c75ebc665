#!/usr/bin/env bash
# Draws the README's pictures of the window into docs/: normal mode, normal mode during a run, and
# silent mode during its run. Uses Qt's offscreen platform, so no display is needed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${TABULON_BUILD_DIR:-$root/build}"

bash "$root/scripts/setup-debian.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target tabulon-screenshots

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/examples/frontend" "$work/frontend"
# The pictures show the bundled dats; a run through Debian's MAME takes a while and shows whatever
# MAME version is installed.
rm -rf "$work/frontend/cfgs"

mkdir -p "$root/docs"
QT_QPA_PLATFORM=offscreen "$build/bin/tools/tabulon-screenshots" "$root/docs" "$work/frontend/Tabulon"
