#!/bin/sh
# Fails, naming the line, when a folder of src/ includes from a folder above it. The libraries
# stack platform < records < datparse < mame < app, and each may include only from its own
# folder or those below.
cd "$1" || exit 1
grep -rn '^#include "[a-z_]*/' --include='*.h' --include='*.cpp' . | awk '
  BEGIN { split("platform records datparse mame app", order, " "); for (i in order) rank[order[i]] = i }
  {
    split($0, from, "/"); split($0, to, "\""); split(to[2], folder, "/")
    if (rank[folder[1]] > rank[from[2]]) { print "includes from a folder above: " $0; bad = 1 }
  }
  END { exit bad }'
