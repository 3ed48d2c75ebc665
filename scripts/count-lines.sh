#!/usr/bin/env bash
# Counts code lines (not blank, not comments) under src/ and under tests/, and says what share of
# the code the tests are. Data files under tests/data are not code and are not counted.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

count() {
  find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.sh' -o -name 'CMakeLists.txt' \
    -o -name '*.cmake' -o -name '*.py' \) -not -path "$root/tests/data/*" -print0 |
    xargs -0 -r awk '
      FNR == 1 { block = 0; script = (FILENAME ~ /(\.sh|\.py|\.cmake|CMakeLists\.txt)$/) }
      {
        line = $0
        sub(/^[ \t]+/, "", line)
        if (block) { if (line ~ /\*\//) { block = 0; sub(/.*\*\//, "", line); sub(/^[ \t]+/, "", line) } else next }
        if (line == "") next
        if (script) { if (line ~ /^#/) next }
        else {
          if (line ~ /^\/\//) next
          if (line ~ /^\/\*/) { if (line !~ /\*\//) block = 1; next }
        }
        n++
      }
      END { print n + 0 }'
}

src=$(count "$root/src")
tests=$(count "$root/tests")
echo "src:   $src code lines"
echo "tests: $tests code lines"
awk -v s="$src" -v t="$tests" 'BEGIN { printf "tests/src: %.2f (at most 0.33)\n", t / s }'
