#!/usr/bin/env bash
# Today's MAME side by side, in one run of this script:
#   1. `mame -listxml > file` alone, against the complete generation run that starts MAME itself
#      (a first run: the old options, then -listxml), against the same run repeated with MAME
#      unchanged (its lists reused), and against the run after a MAME upgrade at the same path
#      (straight to -listxml);
#   2. a bare expat pass over the saved file, against --convert-listxml plus a generation run.
# Usage: bench/mame_side_by_side.sh BUILD_DIR [ROUNDS] [upgrade]   (BUILD_DIR: a Release build)
# With "upgrade", only the run after an upgrade and MAME alone, in twice the rounds per minute.
set -euo pipefail
bin=$(cd "$1" && pwd)/bin
rounds=${2:-3}
only_upgrade=$([ "${3:-}" = upgrade ] && echo 1 || true)
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/tabulon-mame-bench-XXXXXX)
trap '[ -n "${KEEP_BENCH:-}" ] || rm -rf "$work"' EXIT
# Today's catver.ini, from the tests' data (unpacked by CMake, as the build does).
(cd "$work" && cmake -E tar xf "$root/tests/data/catver/catver_0.262_progettosnaps.ini.tar.xz")
catver="$work/catver/catver_0.262_progettosnaps.ini"

front_end() {  # $1: folder; $2: the MAME folder for its mame.cfg (none: no mame.cfg)
  mkdir -p "$1/Gen/dats" "$1/Gen/catvers"
  cp "$catver" "$1/Gen/catvers/catver.ini"
  if [ -n "${2:-}" ]; then
    mkdir -p "$1/cfgs"
    printf 'PATH=%s\r\nEXE=mame\r\n' "$2" > "$1/cfgs/mame.cfg"
  fi
}
seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); echo "$e - $s" | bc; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

front_end "$work/with-mame" /usr/games
front_end "$work/from-file"
# An upgrade at the same path is Debian's MAME behind a one-line wrapper that each round touches:
# a new time is all the stamp sees of a new MAME. One untimed run leaves the stamp that says this
# MAME refused the old options.
mkdir -p "$work/mame-bin"
printf '#!/bin/sh\nexec /usr/games/mame "$@"\n' > "$work/mame-bin/mame"
chmod +x "$work/mame-bin/mame"
front_end "$work/upgraded" "$work/mame-bin"
"$bin/run_measured" "$work/upgraded/Gen" > /dev/null
echo "rounds: $rounds (medians)"
# Each timed step starts with nothing left to write back to disk: otherwise the kernel writes the
# 270 MB the step before left behind during the next one, which is always the same one.
mame_alone() {
  # Into a new file, as the run writes its own: overwriting the last round's would add ext4's
  # flush of a file replaced by truncation to MAME's time.
  rm -f "$work/listxml.xml"
  sync
  seconds sh -c "/usr/games/mame -listxml > '$work/listxml.xml'" >> "$work/t.mame"
}
full_run() {
  # Without the stamp of the round before, as on the first run with this MAME.
  rm -f "$work/with-mame/Gen/mamelists.stamp"
  sync
  "$bin/run_measured" "$work/with-mame/Gen" >> "$work/r.full"
  cp "$work/with-mame/masterlist.lst" "$work/first.lst"
  sync
  "$bin/run_measured" "$work/with-mame/Gen" >> "$work/r.repeat"
  cmp -s "$work/first.lst" "$work/with-mame/masterlist.lst" || echo differs >> "$work/repeat.diff"
}
upgrade_run() {
  touch "$work/mame-bin/mame"
  sync
  "$bin/run_measured" "$work/upgraded/Gen" >> "$work/r.upgrade"
}
for i in $(seq "$rounds"); do
  if [ -n "$only_upgrade" ]; then
    if [ $((i % 2)) = 1 ]; then upgrade_run; mame_alone; else mame_alone; upgrade_run; fi
    continue
  fi
  # The two sides take turns going first, so that neither always runs on the heels of the other.
  # MAME alone sits between the two runs that start MAME, next to each.
  if [ $((i % 2)) = 1 ]; then upgrade_run; mame_alone; full_run; else full_run; mame_alone; upgrade_run; fi
  sync
  seconds "$bin/expat_pass" "$work/listxml.xml" >> "$work/t.expat"
  sync
  "$bin/run_measured" "$work/from-file/Gen" --convert-listxml "$work/listxml.xml" >> "$work/r.file"
done
if [ -n "$only_upgrade" ]; then
  mame=$(median < "$work/t.mame")
  upgrade=$(awk '{print $1}' "$work/r.upgrade" | median)
  printf 'mame -listxml > file:             %6.2f s\n' "$mame"
  printf 'run after a MAME upgrade:         %6.2f s  (%.3f x)  %s\n' "$upgrade" "$(echo "$upgrade / $mame" | bc -l)" "$(tail -1 "$work/r.upgrade" | cut -d, -f2-)"
  printf "  each round's own ratio, median:         %.3f x\n" "$(paste "$work/r.upgrade" "$work/t.mame" | awk '{print $1 / $NF}' | median)"
  exit 0
fi
full=$(awk '{print $1}' "$work/r.full" | median)
repeat=$(awk '{print $1}' "$work/r.repeat" | median)
upgrade=$(awk '{print $1}' "$work/r.upgrade" | median)
file=$(awk '{print $1}' "$work/r.file" | median)
mame=$(median < "$work/t.mame")
expat=$(median < "$work/t.expat")
# This machine's speed wanders over minutes; the ratio of each round's two neighbouring
# measurements follows it better than the ratio of the medians.
round_ratio=$(paste "$work/r.full" "$work/t.mame" | awk '{print $1 / $NF}' | median)
printf 'mame -listxml > file:             %6.2f s\n' "$mame"
printf 'generation run with MAME:         %6.2f s  (%.2f x)  %s\n' "$full" "$(echo "$full / $mame" | bc -l)" "$(tail -1 "$work/r.full" | cut -d, -f2-)"
printf "  each round's own ratio, median:         %.2f x\n" "$round_ratio"
printf 'repeat run, MAME unchanged:       %6.3f s  (%.3f x)  %s\n' "$repeat" "$(echo "$repeat / $mame" | bc -l)" "$(tail -1 "$work/r.repeat" | cut -d, -f2-)"
printf '  master list as the first run'"'"'s:   %s\n' "$([ -e "$work/repeat.diff" ] && echo "NO, it differs" || echo "identical in every round")"
printf 'run after a MAME upgrade:         %6.2f s  (%.2f x)  %s\n' "$upgrade" "$(echo "$upgrade / $mame" | bc -l)" "$(tail -1 "$work/r.upgrade" | cut -d, -f2-)"
printf "  each round's own ratio, median:         %.2f x\n" "$(paste "$work/r.upgrade" "$work/t.mame" | awk '{print $1 / $NF}' | median)"
printf 'bare expat pass over the file:    %6.2f s\n' "$expat"
printf 'convert + generation from file:   %6.2f s  (%.2f x)  %s\n' "$file" "$(echo "$file / $expat" | bc -l)" "$(tail -1 "$work/r.file" | cut -d, -f2-)"
