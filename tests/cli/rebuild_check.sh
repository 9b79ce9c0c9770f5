#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# scripts/brixelctl starts the built tool at once while it is up to date and
# rebuilds it when a file in any folder the build takes sources from changed:
# the panel's page too. Run in a tree of its own with cmake standing in, so
# that nothing is built; the real build's list of folders is checked as well.
#   rebuild_check.sh SCRIPT BUILD_DIR
set -euo pipefail
script=$1
real_folders=$2/source-folders.txt
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

grep -qx panel "$real_folders" || { echo "the build's folder list lacks panel: $(tr '\n' ' ' <"$real_folders")"; exit 1; }

mkdir -p "$tmp/scripts" "$tmp/panel/web" "$tmp/build/tool/cli" "$tmp/bin"
cp "$script" "$tmp/scripts/brixelctl"
printf '#!/bin/sh\n' >"$tmp/scripts/install-deps"
printf '#!/bin/sh\necho "$*" >>"%s/cmake.log"\n' "$tmp" >"$tmp/bin/cmake"
printf '#!/bin/sh\necho "brixelctl ran: $*"\n' >"$tmp/build/tool/cli/brixelctl"
chmod +x "$tmp/scripts/brixelctl" "$tmp/scripts/install-deps" "$tmp/bin/cmake" "$tmp/build/tool/cli/brixelctl"
echo '<html></html>' >"$tmp/panel/web/index.html"
printf 'CMakeLists.txt\npanel\n' >"$tmp/build/tool/source-folders.txt"
touch -d '2 minutes ago' "$tmp/panel/web/index.html" "$tmp/build/tool/source-folders.txt"
touch "$tmp/build/tool/brixelctl.stamp"

out=$(PATH="$tmp/bin:$PATH" "$tmp/scripts/brixelctl" status 2>&1)
[ "$out" = "brixelctl ran: status" ] || { echo "up to date, yet: $out"; exit 1; }
[ ! -e "$tmp/cmake.log" ] || { echo "built although up to date: $(cat "$tmp/cmake.log")"; exit 1; }

sleep 1
echo '<html><body></body></html>' >"$tmp/panel/web/index.html"
out=$(PATH="$tmp/bin:$PATH" "$tmp/scripts/brixelctl" status 2>&1)
grep -q -- "--preset tool" "$tmp/cmake.log" || { echo "the page changed and nothing was built: $out"; exit 1; }
grep -q -- "--build" "$tmp/cmake.log" || { echo "configured but not built: $(cat "$tmp/cmake.log")"; exit 1; }
[[ $out == *"sources changed, rebuilding brixelctl"* && $out == *"brixelctl ran: status" ]] || { echo "$out"; exit 1; }
echo "scripts/brixelctl rebuilds after a change under panel/web/"
