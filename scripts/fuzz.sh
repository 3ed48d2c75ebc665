#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang in build-fuzz/ and runs each in turn for
# SECONDS (default 60). Exits non-zero when a target found a fault, naming the input that shows it.
# Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=$root/build-fuzz
targets=(dat_reader profile_ini vp_reader game_status listxml_converter listxml_skimmer)

bash "$root/scripts/setup-debian.sh"
missing=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTABULON_FUZZ=ON -DTABULON_BUILD_TESTS=OFF -DTABULON_BUILD_GUI=OFF -DTABULON_BUILD_BENCH=OFF \
  >/dev/null
cmake --build "$build" --target "${targets[@]/%/_fuzz}"

# Seeds, made afresh from the repository's files: the first 8 KiB of every real dat, list,
# catver-style ini and -listxml (unpacked when archived, the tests' -listxml samples among them), and
# MAME's three old lists joined by NUL bytes, as the dat reader's MAME mode takes them. The
# committed tests/fuzz/corpus/<target>/ is read beside them.
seeds=$build/seeds
rm -rf "$seeds"
for t in "${targets[@]}"; do mkdir -p "$seeds/$t" "$build/corpus/$t" "$build/findings/$t"; done
head_of() {
  case $1 in
    *.tar.xz) { tar -xJOf "$1" 2>/dev/null || true; } | head -c 8192 ;;
    *) head -c 8192 "$1" ;;
  esac
}
while IFS= read -r -d '' file; do
  name=$(basename "$file" .tar.xz)
  case ${name,,} in
    vplauncher.dat) use=(vp_reader) ;;
    *listdetails* | *gamelist*) use=(game_status) ;;
    *.dat | *_li.txt) use=(dat_reader) ;;
    *.ini) use=(profile_ini) ;;
    *.xml) use=(listxml_converter listxml_skimmer) ;;
    *) continue ;;
  esac
  for t in "${use[@]}"; do head_of "$file" >"$seeds/$t/$name"; done
done < <(find "$root/tests/data" "$root/examples/frontend" -type f -print0 2>/dev/null)
set -- "$root"/tests/data/oldmame/*_li.txt* "$root"/tests/data/oldmame/*listdetails* \
  "$root"/tests/data/oldmame/*gamelist*
if [ -e "$1" ] && [ -e "$2" ] && [ -e "$3" ]; then
  { head_of "$1"; printf '\0'; head_of "$2"; printf '\0'; head_of "$3"; } >"$seeds/dat_reader/mame_lists"
fi
# Real ini files, and a value to set in each of their sections, so that saving is fuzzed from the
# first run on.
for f in "$seeds"/profile_ini/*; do
  printf '\0Category\0fuzz\0Maze / Chase\0VerAdded\0fuzz\0.30\0New\0fuzz\0x' >>"$f"
done

# The targets' folders go where writing is cheapest, as they write files thousands of times a
# second; a target that finds a fault ends before it can remove its own, so all go at the end.
shm=/dev/shm
[ -w "$shm" ] || shm=${TMPDIR:-/tmp}
TMPDIR=$(mktemp -d "$shm/tabulon-fuzz.XXXXXX")
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT
export UBSAN_OPTIONS=print_stacktrace=1
failed=0
faults=0
for t in "${targets[@]}"; do
  log=$build/findings/$t.log
  if "$build/bin/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -artifact_prefix="$build/findings/$t/" \
    "$build/corpus/$t" "$seeds/$t" "$root/tests/fuzz/corpus/$t" >"$log" 2>&1; then
    grep -o 'Done [0-9]* runs in [0-9]* second' "$log" |
      awk -v t="$t" '{ printf "%-18s %9d runs, %6d execs/s\n", t, $2, $2 / ($5 > 0 ? $5 : 1) }'
  else
    failed=1
    faults=$((faults + 1))
    tail -n 40 "$log"
    reproducer=$(sed -n 's/.*Test unit written to \(.*\)/\1/p' "$log" | tail -n 1)
    echo "$t: FAULT (log: $log)"
    echo "  reproducer: ${reproducer:-none written, see the log}"
    echo "  rerun it:   $build/bin/${t}_fuzz ${reproducer:-<input>}"
    echo "  then keep it as a regression case in tests/fuzz/corpus/$t/"
  fi
done
echo "fuzz: $((${#targets[@]} - faults)) passed, $faults failed"
exit $failed
