#!/usr/bin/env bash
# The shared library's dynamic symbol table holds exactly the functions the
# public headers declare with BRIXEL_API, compared by function name.
# Functions named in the pending list (one per line, # comments) may still be
# missing; every other difference fails.
#   check_exports.sh LIBRARY PENDING_LIST HEADER...
set -euo pipefail
library=$1
pending_list=$2
shift 2

declared=$(sed -nE 's/^[[:space:]]*BRIXEL_API[^(]*[^A-Za-z0-9_]([A-Za-z_][A-Za-z0-9_]*)[[:space:]]*\(.*/\1/p' "$@" | sort -u)
[ -n "$declared" ] || { echo "no BRIXEL_API functions found in $*"; exit 1; }

# Every defined dynamic symbol, demangled, reduced to its name.
exported=$(nm -D --defined-only "$library" | awk '{print $3}' | c++filt | sed -E 's/\(.*//' | sort -u)

pending=""
if [ -f "$pending_list" ]; then
    pending=$(sed -E 's/#.*//; s/[[:space:]]//g; /^$/d' "$pending_list" | sort -u)
fi

status=0
while read -r name; do
    [ -n "$name" ] || continue
    if grep -qxF "$name" <<<"$pending"; then
        echo "pending, not yet built: $name"
    else
        echo "declared but not exported: $name"
        status=1
    fi
done < <(comm -23 <(echo "$declared") <(echo "$exported"))

while read -r name; do
    [ -n "$name" ] || continue
    echo "exported but not declared: $name"
    status=1
done < <(comm -13 <(echo "$declared") <(echo "$exported"))

while read -r name; do
    [ -n "$name" ] || continue
    grep -qxF "$name" <<<"$declared" || { echo "pending list names an undeclared function: $name"; status=1; }
    grep -qxF "$name" <<<"$exported" && echo "pending list names a function now built (remove it): $name"
done <<<"$pending"

[ $status -eq 0 ] && echo "exports match the headers: $(wc -l <<<"$declared") declared"
exit $status
