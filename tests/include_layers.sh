#!/bin/sh
# Fails, naming the line, when a folder of src/ includes from a folder above it. The libraries
# stack platform < records < datparse < mame < app, and each may include only from its own
# folder or those below.
# Fails too, naming the file and its length, when a file of src/ is longer than 500 lines: one
# that long holds more than one concept, and is split into a file for each.
cd "$1" || exit 1
status=0
grep -rn '^#include "[a-z_]*/' --include='*.h' --include='*.cpp' . | awk '
  BEGIN { split("platform records datparse mame shaping app", order, " "); for (i in order) rank[order[i]] = i }
  {
    split($0, from, "/"); split($0, to, "\""); split(to[2], folder, "/")
    if (rank[folder[1]] > rank[from[2]]) { print "includes from a folder above: " $0; bad = 1 }
  }
  END { exit bad }' || status=1
find . -type f ! -name '*.ico' -exec wc -l {} + | awk '
  $2 != "total" && $1 > 500 { print $2 ": " $1 " lines, more than 500: split it by concept"; bad = 1 }
  END { exit bad }' || status=1
exit $status
