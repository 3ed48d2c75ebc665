#!/usr/bin/env bash
# Builds tabulon-cli and the window, tabulon, and runs tabulon-cli on a fresh copy of the bundled
# demo front end (examples/frontend), then shows where the master list went and its first lines.
#
# It prints one line per stage; what the stages print themselves goes to build/demo.log, whose
# end is shown when a stage fails. The tests are not built here: scripts/test.sh builds and runs
# them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
log="$build/demo.log"
mkdir -p "$build"
: >"$log"

# stage TEXT COMMAND...: runs COMMAND with its output in the log, and on failure shows the log's
# end and stops.
stage() {
  local text=$1
  shift
  printf '%s... ' "$text"
  echo "=== $text: $*" >>"$log"
  if "$@" >>"$log" 2>&1; then
    echo "done"
  else
    local status=$?
    echo "failed"
    echo
    echo "The last lines of $log:"
    tail -n 30 "$log"
    exit "$status"
  fi
}

stage "Installing the Debian packages Tabulon needs" bash "$root/scripts/setup-debian.sh"
stage "Configuring the build in build/" \
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTABULON_SANITIZE=OFF
stage "Building tabulon-cli and tabulon" cmake --build "$build" --target tabulon-cli tabulon

demo="$build/demo"
rm -rf "$demo"
cp -r "$root/examples/frontend" "$demo"
stage "Running the demo (tabulon-cli on a copy of examples/frontend, MAME included)" \
  "$build/bin/tabulon-cli" --app-dir "$demo/Tabulon"

echo
echo "The programs are $build/bin/tabulon-cli and $build/bin/tabulon."
echo "The master list went to $demo/masterlist.lst ($(wc -l <"$demo/masterlist.lst") lines)."
echo "The run's report is $demo/Tabulon/tabulonreport.txt; its summary:"
tr -d '\r' <"$demo/Tabulon/tabulonreport.txt" | awk '/^Summary:/ { on = 1; next } on && !/^ / { exit } on'
echo "The master list's first lines:"
head -n 6 "$demo/masterlist.lst" | tr -d '\r'

# With a screen, the same run can be watched in the window (its application folder is the one
# that holds the program).
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$build/bin/tabulon" ]; then
  cp "$build/bin/tabulon" "$demo/Tabulon/"
  echo
  echo "Opening the window: press Generate List to run again."
  "$demo/Tabulon/tabulon" &
fi
