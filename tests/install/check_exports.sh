#!/usr/bin/env bash
# The shared library's dynamic symbol table holds exactly the functions the
# public headers declare with BRIXEL_API, compared by function name.
#   check_exports.sh LIBRARY HEADER...
set -euo pipefail
library=$1
shift

declared=$(sed -nE 's/^[[:space:]]*BRIXEL_API[^(]*[^A-Za-z0-9_(]([A-Za-z_][A-Za-z0-9_]*)[[:space:]]*\(.*/\1/p' "$@" | sort -u)
[ -n "$declared" ] || { echo "no BRIXEL_API functions found in $*"; exit 1; }

# Every defined dynamic symbol, demangled, reduced to its name.
exported=$(nm -D --defined-only "$library" | awk '{print $3}' | c++filt | sed -E 's/\(.*//' | sort -u)

status=0
while read -r name; do
    [ -n "$name" ] || continue
    echo "declared but not exported: $name"
    status=1
done < <(comm -23 <(echo "$declared") <(echo "$exported"))

while read -r name; do
    [ -n "$name" ] || continue
    echo "exported but not declared: $name"
    status=1
done < <(comm -13 <(echo "$declared") <(echo "$exported"))

[ $status -eq 0 ] && echo "exports match the headers: $(wc -l <<<"$declared") declared"
exit $status
