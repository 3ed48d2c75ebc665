#!/usr/bin/env bash
# Two builds of Tabulon side by side on the run after a MAME upgrade (Debian's MAME behind a
# one-line wrapper that each run touches, so that the stamp sees a new MAME and -listxml is
# converted), in pairs that take turns going first. Prints each pair and the median of the pairs'
# own ratios B / A, which follows the shared machine's wandering speed better than two medians.
# Usage: bench/builds_side_by_side.sh BUILD_A BUILD_B [PAIRS]   (Release builds with run_measured)
set -euo pipefail
a=$(cd "$1" && pwd)/bin/run_measured
b=$(cd "$2" && pwd)/bin/run_measured
pairs=${3:-15}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/tabulon-builds-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$root/tests/data/catver/catver_0.262_progettosnaps.ini.tar.xz")
mkdir -p "$work/mame-bin"
printf '#!/bin/sh\nexec /usr/games/mame "$@"\n' > "$work/mame-bin/mame"
chmod +x "$work/mame-bin/mame"
for side in a b; do
  mkdir -p "$work/$side/Gen/dats" "$work/$side/Gen/catvers" "$work/$side/cfgs"
  cp "$work/catver/catver_0.262_progettosnaps.ini" "$work/$side/Gen/catvers/catver.ini"
  printf 'PATH=%s\r\nEXE=mame\r\n' "$work/mame-bin" > "$work/$side/cfgs/mame.cfg"
done
# One untimed run each leaves the stamp that says this MAME refuses the old options.
"$a" "$work/a/Gen" > /dev/null
"$b" "$work/b/Gen" > /dev/null
run() {  # $1: a or b
  local program=$a
  [ "$1" = b ] && program=$b
  touch "$work/mame-bin/mame"
  sync
  "$program" "$work/$1/Gen" >> "$work/r.$1"
}
for i in $(seq "$pairs"); do
  if [ $((i % 2)) = 1 ]; then run a; run b; else run b; run a; fi
  printf 'pair %2d: A %s  |  B %s\n' "$i" "$(tail -1 "$work/r.a")" "$(tail -1 "$work/r.b")"
done
cmp -s "$work/a/masterlist.lst" "$work/b/masterlist.lst" || echo "the two builds' master lists differ"
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
printf 'A median %.3f s, B median %.3f s\n' "$(awk '{print $1}' "$work/r.a" | median)" \
  "$(awk '{print $1}' "$work/r.b" | median)"
printf "B / A, median of the pairs' own ratios: %.4f\n" \
  "$(paste -d' ' "$work/r.a" "$work/r.b" | awk '{print $(NF/2+1) / $1}' | median)"
