#!/usr/bin/env bash
# Builds Tabulon for Windows (scripts/build-windows.sh), runs its GoogleTest suite under Wine
# (without the tests that drive POSIX processes, see tests/CMakeLists.txt), and runs
# tabulon-cli.exe under Wine end to end: on each front end below it must write the same master list, converted lists, run log and
# category files, byte for byte, as the Linux tabulon-cli on the same inputs, say the same on
# stdout and stderr (paths aside, which Windows prints with "\"), and exit with the same status.
# The MAME routes run stand-in MAMEs: an old one (0.78's recorded lists, through the .bat
# scripts) and today's (0.78's -listxml, read while it is written).
#
# Wine runs in a fresh prefix in build-windows/wine, without a display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win=$root/build-windows
work=$win/e2e

bash "$root/scripts/setup-debian.sh"
bash "$root/scripts/build-windows.sh" >/dev/null
data=$win/tests/data

# The Linux program to compare with.
cmake -S "$root" -B "$win/linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTABULON_BUILD_TESTS=OFF \
  -DTABULON_BUILD_GUI=OFF -DTABULON_BUILD_BENCH=OFF >/dev/null
cmake --build "$win/linux" --target tabulon-cli >/dev/null

# --- Wine ---------------------------------------------------------------------------------------
export WINEPREFIX=$win/wine WINEARCH=win64 WINEDEBUG=-all LANG=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
wineserver -k 2>/dev/null || true  # a server left from an earlier run of this prefix
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
# A persistent server first: every wine command after it starts in a fraction of a second.
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
wineboot -i >/dev/null 2>&1
# Wine reports every file whose name begins with "." as hidden; with this setting only those
# with the hidden attribute, which the tests of Tabulon's own hidden files look at.
wine reg add 'HKCU\Software\Wine' /v ShowDotFiles /d Y /f >/dev/null 2>&1

# --- the unit tests, each binary run by Wine (CMAKE_CROSSCOMPILING_EMULATOR) ----------------------
(cd "$win" && ctest --output-on-failure -j2)

# --- the programs in the zip: stripped, with their icon and version information ------------------
version=$(sed -n 's/^project(Tabulon VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
for exe in "$win"/zip/*.exe; do
  # The resource types at the top of the resource tree: 0x0e the icon group, 0x10 the version.
  types=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n '/The .rsrc Resource Directory/,$p' |
    sed -n 's/^[0-9a-f]*   Entry: ID: 0x0000\([0-9a-f]*\),.*/\1/p' | tr '\n' ' ')
  value() { strings -el "$exe" | grep -A1 -xF "$1" | sed -n 2p; }
  if ! x86_64-w64-mingw32-objdump -t "$exe" | grep -q 'no symbols'; then
    echo "FAIL $(basename "$exe") in the zip is not stripped"
    exit 1
  elif [[ " $types" != *" 0e "* || " $types" != *" 10 "* ]] ||
    [ "$(value ProductName)" != Tabulon ] || [ "$(value ProductVersion)" != "$version" ]; then
    echo "FAIL $(basename "$exe"): resource types $types, product $(value ProductName) $(value ProductVersion)"
    exit 1
  fi
done
echo "ok   the zip's programs are stripped and carry an icon and version $version"

# --- the front ends ------------------------------------------------------------------------------
crlf() { sed 's/\r$//; s/$/\r/' "$1"; }

# Each scenario makes its front end in $1 for system $2 (linux or windows), gives tabulon-cli's
# arguments after the application folder in the array `args`, and lists in `setup_files` what it
# put there that differs between the systems (the MAME stand-ins, mame.cfg), for removal after the
# run: a script left behind in the MAME folder then shows.
demo() {
  cp -r "$root/examples/frontend/." "$1"
  rm -rf "$1/cfgs"
  args=()
  setup_files=()
}
quintara() {
  demo "$@"
  args=(--quintara)
}
dats() {
  mkdir -p "$1/Tabulon/dats" "$1/Tabulon/catvers"
  for f in "$data"/clrmamepro/*.dat "$data"/mame_dats/*.dat; do
    crlf "$f" >"$1/Tabulon/dats/$(basename "$f")"
  done
  crlf "$data/catver/catver_0.78_catlist_rev2.ini" >"$1/Tabulon/catvers/catver.ini"
  args=()
  setup_files=()
}
# MAME 0.78 in "$1/$mame_folder", run through cfgs/mame.cfg.
install_mame() {  # front end, system, kind (old or new)
  local folder="$1/$mame_folder" exe=${mame_name:-mame}
  mkdir -p "$folder" "$1/cfgs" "$1/Tabulon/catvers"
  crlf "$data/catver/catver_0.78_catlist_rev2.ini" >"$1/Tabulon/catvers/catver.ini"
  if [ "$2" = windows ]; then
    exe=$exe.exe
    cp "$win/bin/mame_standin.exe" "$folder/$exe"
    if [ "$3" = old ]; then
      cp "$data"/oldmame/mame078_*.txt "$folder/"
      printf -- '-%s print mame078_%s.txt\r\n' li li listdetails listdetails gamelist gamelist \
        >"$folder/standin.txt"
      # -listxml refused on stdout, as the Linux stand-in (tests/tools/oldmame/mame.in) does.
      printf -- '-listxml text Error: unknown option: -listxml\\r\\n; exit 1\r\n' >>"$folder/standin.txt"
    else
      cp "$data/mame_dats/mame078_listxml.xml" "$folder/"
      printf -- '-listxml print mame078_listxml.xml\r\n' >"$folder/standin.txt"
    fi
    printf 'PATH=%s\r\nEXE=%s\r\n' "$(winepath -w "$folder")" "$exe" >"$1/cfgs/mame.cfg"
  else
    if [ "$3" = old ]; then
      sed "s#@TABULON_TEST_DATA@#$data#" "$root/tests/tools/oldmame/mame.in" >"$folder/$exe"
    else
      cat >"$folder/$exe" <<EOF
#!/bin/sh
while [ \$# -gt 0 ]; do
  case \$1 in
    -history_file | -mameinfo_file) shift ;;
    -listxml) exec cat "$data/mame_dats/mame078_listxml.xml" ;;
    -*) printf 'Error: unknown option: %s\\r\\n' "\$1" >&2; exit 1 ;;
  esac
  shift
done
EOF
    fi
    chmod +x "$folder/$exe"
    printf 'PATH=%s\r\nEXE=%s\r\n' "$folder" "$exe" >"$1/cfgs/mame.cfg"
  fi
  args=()
  setup_files=("$1/cfgs/mame.cfg" "$folder/$exe" "$folder"/mame078_* "$folder/standin.txt")
}
old_mame() { mame_folder="MAME 78" install_mame "$1" "$2" old; }
listxml_mame() { mame_folder="MAME 78" install_mame "$1" "$2" new; }
# Names: the old MAME route in a front-end folder (see below) and a MAME folder with non-ASCII
# letters and the command interpreter's special characters, MAME itself named with one (the scripts
# are written in the OEM code page cmd.exe reads them in), and a dat named Pokémon.dat. The
# scripts name the application folder by its short form, which keeps "F&%^(!)" (a valid 8.3
# name) as it is, and turns the non-ASCII name into one like FR_N~CGZ.
names() {
  mame_folder="MAMÉ 0.78 & (alt) ^!%" mame_name="mamé" install_mame "$1" "$2" old
  mkdir -p "$1/Tabulon/dats"
  cp "$root/examples/frontend/Tabulon/dats/Vectrex.dat" "$1/Tabulon/dats/Pokémon.dat"
}

# --- runs and comparison --------------------------------------------------------------------------
# Paths as Linux prints them: Z:\tmp\x -> /tmp/x; Windows' console line ends -> LF.
as_linux() { sed -e 's#Z:\\#/#g' -e 's#\\#/#g' -e 's/\r$//' "$1"; }
same_head() { sed -e '1s/ report of .*/ report/' -e 's#^\(  MAME: [^,]*\)\.exe#\1#'; }

failures=0
check() {  # scenario name, setup function
  local name=$1 setup=$2 system dir
  for system in linux windows; do
    dir=$work/$system/$name
    rm -rf "$dir"
    mkdir -p "$dir"
    "$setup" "$dir" "$system"
    local status=0
    if [ $system = linux ]; then
      "$win/linux/bin/tabulon-cli" --app-dir "$dir/Tabulon" "${args[@]}" \
        >"$work/$name.$system.out" 2>"$work/$name.$system.err" || status=$?
    else
      wine "$win/bin/tabulon-cli.exe" --app-dir "$(winepath -w "$dir/Tabulon")" "${args[@]}" \
        >"$work/$name.$system.out" 2>"$work/$name.$system.err" || status=$?
    fi
    echo "$status" >"$work/$name.$system.status"
    cp "$dir/Tabulon/tabulonreport.txt" "$work/$name.$system.report" 2>/dev/null || true
    rm -f "${setup_files[@]}"
  done
  local problem=""
  # Every file both runs wrote, byte for byte; but MAME's stamp, which names each system's own
  # executable with its size and time in that system's units.
  diff -r --exclude=tabulonreport.txt --exclude=mamelists.stamp "$work/linux/$name" \
    "$work/windows/$name" \
    >"$work/$name.diff" 2>&1 || problem="files differ"
  # The texts that name paths, once Windows' paths and console line ends are made Linux's and
  # each side's front-end folder has one name. The report's head names the second each run began
  # in, which the two runs share only on an idle machine, and each system's MAME program.
  for f in out err status report; do
    cmp -s <(as_linux "$work/$name.linux.$f" | sed "s#$work/linux/$name#FRONTEND#g" | same_head) \
      <(as_linux "$work/$name.windows.$f" | sed "s#$work/windows/$name#FRONTEND#g" | same_head) ||
      problem="$problem${problem:+, }$f differs"
  done
  if [ -n "$problem" ]; then
    echo "FAIL $name: $problem (see $work)"
    failures=$((failures + 1))
  else
    echo "ok   $name ($(wc -l <"$work/linux/$name/masterlist.lst") lines)"
  fi
}

rm -rf "$work"
mkdir -p "$work"
check demo demo
check quintara quintara
check dats dats
check old-mame old_mame
check listxml-mame listxml_mame
check "Fröntend & (Spiele) ^!%" names
check "F&%^(!)" names

total=7

# Ctrl+C while MAME runs (Wine turns the SIGINT into the console's Ctrl+C event): the run stops
# with status 130, MAME ends with it and the master list stays as it was.
interrupt() {
  local dir=$work/interrupt status=0
  rm -rf "$dir"
  mkdir -p "$dir/MAME" "$dir/cfgs" "$dir/Tabulon"
  cp "$win/bin/mame_standin.exe" "$dir/MAME/mame.exe"
  printf -- '-li pid; sleep 60\r\n' >"$dir/MAME/standin.txt"
  printf 'PATH=%s\r\nEXE=mame.exe\r\n' "$(winepath -w "$dir/MAME")" >"$dir/cfgs/mame.cfg"
  printf 'previous\r\n' >"$dir/masterlist.lst"
  wine "$win/bin/tabulon-cli.exe" --app-dir "$(winepath -w "$dir/Tabulon")" \
    >/dev/null 2>"$dir/err" </dev/null &
  local cli=$!
  for _ in $(seq 100); do [ -f "$dir/MAME/pid" ] && break; sleep 0.2; done
  sleep 0.5
  kill -INT "$(pgrep -f 'tabulon-cli.exe --app-dir .*e2e.interrupt.Tabulon')" || true
  wait "$cli" || status=$?
  sleep 1
  if [ "$status" = 130 ] && grep -q "stopped by SIGINT" "$dir/err" &&
    [ "$(cat "$dir/masterlist.lst")" = $'previous\r' ] && ! pgrep -f "mame.exe -history_file" >/dev/null; then
    echo "ok   Ctrl+C while MAME runs"
  else
    echo "FAIL Ctrl+C while MAME runs: status $status, $(tail -1 "$dir/err") (see $dir)"
    failures=$((failures + 1))
  fi
}
interrupt
total=$((total + 1))

# A folder as Explorer's "Copy as path" and tab completion give it, quoted and ending in a
# backslash, typed into cmd.exe (here a batch file): the C runtime's rules would take \" for a
# quote inside the argument and swallow the rest of the line. The run must give the list of the
# quintara check above.
quoted_folder() {
  local dir="$work/quoted/Front End"
  rm -rf "$work/quoted"
  mkdir -p "$dir"
  demo "$dir" windows
  printf '@"%s" --app-dir "%s\\" --quintara\r\n' "$(winepath -w "$win/bin/tabulon-cli.exe")" \
    "$(winepath -w "$dir/Tabulon")" >"$work/quoted/run.bat"
  wine cmd /c "$(winepath -w "$work/quoted/run.bat")" >"$work/quoted/out" 2>&1 </dev/null || true
  if cmp -s "$dir/masterlist.lst" "$work/windows/quintara/masterlist.lst"; then
    echo "ok   --app-dir \"...\\Tabulon\\\" through cmd.exe"
  else
    echo "FAIL --app-dir \"...\\Tabulon\\\" through cmd.exe: $(tail -1 "$work/quoted/out") (see $work/quoted)"
    failures=$((failures + 1))
  fi
}
quoted_folder
total=$((total + 1))

# Non-ASCII names on the console. Run in a terminal, Wine gives the program a console whose text
# it writes to the terminal in the terminal's encoding (UTF-8 here), as a Windows console shows it
# in its font; bytes written to it are read in the console's code page first, so UTF-8 bytes show
# as "PokÃ©mon", as they do on Windows. So tabulon-cli.exe runs in a pseudo-terminal (script),
# and the status and summary lines, the terminal's control sequences taken out, must name
# Pokémon. (Output to files and pipes, UTF-8, is compared with Linux's by the checks above.)
console_text() {
  local dir=$work/console
  rm -rf "$dir"
  mkdir -p "$dir/Tabulon/dats"
  sed 's/^\tname "GCE - Vectrex"/\tname "Pokémon"/' "$root/examples/frontend/Tabulon/dats/Vectrex.dat" \
    >"$dir/Tabulon/dats/Pokémon.dat"
  script -q -e -c "wine $(printf %q "$win/bin/tabulon-cli.exe") --app-dir $(printf %q \
    "$(winepath -w "$dir/Tabulon")")" "$dir/typescript" >/dev/null </dev/null || true
  sed -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' -e 's/\r//g' "$dir/typescript" >"$dir/console.txt"
  if grep -qxF 'Parsing Pokémon Dat File' "$dir/console.txt" &&
    grep -qxF '  dats\Pokémon.dat: 5 records' "$dir/console.txt"; then
    echo "ok   Pokémon on the console"
  else
    echo "FAIL Pokémon on the console: $(grep -a -m1 'dats.Pok' "$dir/console.txt") (see $dir)"
    failures=$((failures + 1))
  fi
}
console_text
total=$((total + 1))

echo "$((total - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
