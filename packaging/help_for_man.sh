#!/bin/sh
# What help2man reads of a program (`help_for_man.sh PROGRAM --help`): its output with the usage
# lines, which wrap onto deeply indented lines, joined into one line that starts with "Usage:".
"$@" | awk 'NR == 1 { u = $0; sub(/^usage:/, "Usage:", u); joining = 1; next }
  joining && /^          / { sub(/^ +/, " "); u = u $0; next }
  joining { print u; joining = 0 }
  { print }
  END { if (joining) print u }'
