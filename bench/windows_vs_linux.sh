#!/usr/bin/env bash
# windows_vs_linux.sh [ROUNDS]: tabulon-cli.exe under Wine against the Linux tabulon-cli, both
# Release builds of the same sources, on the same inputs, rounds alternating which goes first:
#   - a generation run over a 40,000-block listinfo-style dat with a 46,000-entry catver.ini (the
#     front end of generation_bench, made here with awk);
#   - --convert-listxml of a saved -listxml: MAME 0.78's (19 MB) from tests/data, and Debian's
#     MAME's own (about 270 MB) when /usr/games/mame is installed;
#   - the same program in a front end with nothing to list: what starting it costs.
# Needs build-windows/ as scripts/test-windows.sh leaves it (the .exe, the unpacked test data, the
# Linux build in build-windows/linux). Prints the medians and their ratios.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-7}
win=$root/build-windows
linux_cli=$win/linux/bin/tabulon-cli
windows_cli=$win/bin/tabulon-cli.exe
work=$win/bench
[ -x "$linux_cli" ] && [ -f "$windows_cli" ] || {
  echo "windows_vs_linux.sh: run scripts/test-windows.sh first" >&2
  exit 2
}

export WINEPREFIX=$win/wine WINEARCH=win64 WINEDEBUG=-all LANG=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX"
wineserver -k 2>/dev/null || true
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT

rm -rf "$work"
mkdir -p "$work/big/Gen/dats" "$work/big/Gen/catvers" "$work/empty/Gen" "$work/out"
awk 'BEGIN { ORS = "\r\n"
  for (i = 0; i < 40000; i++) {
    name = "set" i
    print "game ("; print "\tname " name
    print "\tdescription \"Game number " i " (World, rev. " i % 7 ")\""
    print "\tyear " 1978 + i % 30; print "\tmanufacturer \"Maker " i % 400 "\""
    if (i % 3 != 0) { print "\tcloneof set" i - i % 3; print "\tromof set" i - i % 3 }
    for (r = 0; r < 6; r++)
      print "\trom ( name " name "." r " size 65536 crc 0123abcd region cpu1 offs " r * 65536 " )"
    print "\tchip ( type cpu name Z80 clock 3072000 )"
    print "\tvideo ( screen raster orientation horizontal x 320 y 224 freq 60.000000 )"
    print "\tsound ( channels 1 )"; print "\tinput ( players 2 control joy8way buttons 3 coins 2 )"
    print "\tdipswitch ( name \"Lives\" entry \"3\" entry \"5\" default \"3\" )"
    print "\tdriver ( status good color good sound imperfect )"; print ")"; print ""
  } }' >"$work/big/Gen/dats/listinfo.dat"
awk 'BEGIN { ORS = "\r\n"; print ";; catver.ini ;;"; print ""; print "[Category]"
  for (i = 0; i < 46000; i++) print "set" i "=Shooter / Flying " i % 50
  print ""; print "[VerAdded]"
  for (i = 0; i < 46000; i++) print "set" i "=0." 30 + i % 230 }' >"$work/big/Gen/catvers/catver.ini"

xmls=("$win/tests/data/mame_dats/mame078_listxml.xml")
if [ -x /usr/games/mame ]; then
  /usr/games/mame -listxml >"$work/mame.xml" 2>/dev/null
  xmls+=("$work/mame.xml")
fi

# Seconds one command takes, wall time.
seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo "scale=3; ($end - $start) / 1000000000" | bc
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One case: its Linux and Windows commands after "--" each, run `rounds` times, taking turns.
measure() {  # name, linux command..., --, windows command...
  local name=$1 split i
  shift
  for ((split = 1; split <= $#; split++)); do [ "${!split}" = -- ] && break; done
  local linux_cmd=("${@:1:split-1}") windows_cmd=("${@:split+1}")
  "${linux_cmd[@]}" >/dev/null 2>&1 || true  # warm the caches
  "${windows_cmd[@]}" >/dev/null 2>&1 || true
  : >"$work/$name.linux"
  : >"$work/$name.windows"
  for ((i = 0; i < rounds; i++)); do
    if ((i % 2 == 0)); then
      seconds "${linux_cmd[@]}" >>"$work/$name.linux"
      seconds "${windows_cmd[@]}" >>"$work/$name.windows"
    else
      seconds "${windows_cmd[@]}" >>"$work/$name.windows"
      seconds "${linux_cmd[@]}" >>"$work/$name.linux"
    fi
  done
  local l w
  l=$(median <"$work/$name.linux")
  w=$(median <"$work/$name.windows")
  printf '%-34s Linux %6.3f s   Wine %6.3f s   %5.2f x\n' "$name" "$l" "$w" \
    "$(echo "scale=3; $w / $l" | bc)"
}

zdir() { winepath -w "$1"; }
measure "nothing to list" "$linux_cli" --app-dir "$work/empty/Gen" -- \
  wine "$windows_cli" --app-dir "$(zdir "$work/empty/Gen")"
measure "40,000-block dat, catver.ini" "$linux_cli" --app-dir "$work/big/Gen" -- \
  wine "$windows_cli" --app-dir "$(zdir "$work/big/Gen")"
for xml in "${xmls[@]}"; do
  measure "--convert-listxml $(basename "$xml") ($(($(stat -c %s "$xml") / 1000000)) MB)" \
    "$linux_cli" --convert-listxml "$xml" --app-dir "$work/out" -- \
    wine "$windows_cli" --convert-listxml "$(zdir "$xml")" --app-dir "$(zdir "$work/out")"
done
