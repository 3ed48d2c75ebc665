#!/usr/bin/env bash
# The window against the CLI on a 40,000-game list: the same run, once through tabulon-cli and
# once through tabulon in silent mode on Qt's offscreen platform (its repaints still happen).
# Usage: bench/window_vs_cli.sh BUILD_DIR [ROUNDS]   (BUILD_DIR: a Release build with the window)
set -euo pipefail
bin=$(cd "$1" && pwd)/bin
rounds=${2:-5}
work=$(mktemp -d /tmp/tabulon-window-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

app="$work/Gen"
mkdir -p "$app/dats" "$app/catvers"
awk 'BEGIN {
  printf "clrmamepro (\r\n\tname \"MAME\"\r\n)\r\n\r\n";
  for (i = 0; i < 40000; i++) {
    printf "game (\r\n\tname set%d\r\n\tdescription \"Game number %d (World)\"\r\n\tyear %d\r\n", i, i, 1978 + i % 30;
    printf "\tmanufacturer \"Maker %d\"\r\n\trom ( name set%d.1 size 65536 crc 0123abcd )\r\n", i % 400, i;
    printf "\tvideo ( screen raster orientation horizontal x 320 y 224 freq 60 )\r\n";
    printf "\tinput ( players 2 control joy8way buttons 3 coins 2 )\r\n";
    printf "\tdriver ( status good color good sound good )\r\n)\r\n\r\n";
  }
}' > "$app/dats/big.dat"
awk 'BEGIN {
  printf "[Category]\r\n"; for (i = 0; i < 46000; i++) printf "set%d=Shooter / Flying\r\n", i;
  printf "[VerAdded]\r\n"; for (i = 0; i < 46000; i++) printf "set%d=0.%d\r\n", i, 30 + i % 200;
}' > "$app/catvers/catver.ini"
cp "$bin/tabulon-cli" "$bin/tabulon" "$app/"
# The same programs in a front end with nothing to list: what each costs before and after a run.
empty="$work/Empty/Gen"
mkdir -p "$empty/dats"
cp "$bin/tabulon-cli" "$bin/tabulon" "$empty/"

seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
for i in $(seq "$rounds"); do
  seconds "$app/tabulon-cli" >> "$work/t.cli"
  QT_QPA_PLATFORM=offscreen seconds "$app/tabulon" -S >> "$work/t.window"
  seconds "$empty/tabulon-cli" >> "$work/t.cli0"
  QT_QPA_PLATFORM=offscreen seconds "$empty/tabulon" -S >> "$work/t.window0"
done
cli=$(median < "$work/t.cli")
window=$(median < "$work/t.window")
cli0=$(median < "$work/t.cli0")
window0=$(median < "$work/t.window0")
printf 'tabulon-cli:        %5.2f s  (%.2f s with nothing to list)\n' "$cli" "$cli0"
printf 'tabulon -S:         %5.2f s  (%.2f s with nothing to list)\n' "$window" "$window0"
printf 'whole programs:     %5.2f x the CLI\n' "$(echo "$window / $cli" | bc -l)"
printf 'the run itself:     %5.2f x the CLI (start-up and exit taken out)\n' \
  "$(echo "($window - $window0) / ($cli - $cli0)" | bc -l)"
