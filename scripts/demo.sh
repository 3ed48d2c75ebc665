#!/usr/bin/env bash
# Builds Tabulon and runs tabulon-cli on a fresh copy of the bundled demo front end
# (examples/frontend), then shows where the master list went and its first lines.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/scripts/setup-debian.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTABULON_SANITIZE=OFF >/dev/null
cmake --build "$root/build"

demo="$root/build/demo"
rm -rf "$demo"
cp -r "$root/examples/frontend" "$demo"

"$root/build/bin/tabulon-cli" --app-dir "$demo/Tabulon" >/dev/null
echo
echo "The master list went to $demo/masterlist.lst ($(wc -l <"$demo/masterlist.lst") lines)."
echo "Its first lines:"
head -n 6 "$demo/masterlist.lst" | tr -d '\r'

# With a screen, the same run can be watched in the window (its application folder is the one
# that holds the program).
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$root/build/bin/tabulon" ]; then
  cp "$root/build/bin/tabulon" "$demo/Tabulon/"
  echo
  echo "Opening the window: press Generate List to run again."
  "$demo/Tabulon/tabulon" &
fi
