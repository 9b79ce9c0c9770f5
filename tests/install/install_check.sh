#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the library into a fresh prefix and builds and runs the outside
# client against that copy only, once through the CMake package and once
# through pkg-config, both asked for the project's VERSION; with TOOL given,
# runs the installed brixelctl too, which must load the installed library by
# itself.
#   install_check.sh BUILD_DIR CLIENT_SOURCE WORK_DIR CXX CXX_FLAGS VERSION [TOOL]
set -euo pipefail
build_dir=$1
client_source=$2
work=$3
cxx=$4
cxx_flags=$5
version=$6
tool=${7:-}

rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

for header in BrixelLibrary.h BrixelPlatform.h; do
    [ -f "$prefix/include/$header" ] || { echo "missing $prefix/include/$header"; exit 1; }
done

"$(dirname "$0")/outside_client_check.sh" "$prefix" "$client_source" "$work" "$cxx" "$cxx_flags" "$version"

[ -n "$tool" ] || exit 0
echo "=== the installed $tool"
installed_tool=$prefix/bin/$tool
[ -x "$installed_tool" ] || { echo "missing $installed_tool"; exit 1; }
# No LD_LIBRARY_PATH: the tool's own run path must lead to the prefix.
loaded=$(env -u LD_LIBRARY_PATH ldd "$installed_tool" | sed -nE 's/^[[:space:]]*libBrixelLibrary\.so[^ ]* => ([^ ]+) .*/\1/p')
loaded=$(readlink -f "$loaded")
case $loaded in
    "$(readlink -f "$prefix")"/lib*/libBrixelLibrary.so*) echo "loads $loaded" ;;
    *) echo "the installed $tool loads '$loaded', not the library under $prefix"; exit 1 ;;
esac
state=$work/simulated-device.json
status=$(env -u LD_LIBRARY_PATH "$installed_tool" --simulate --fresh --state-file "$state" status)
grep -qx "Input : 3840x2160p60" <<<"$status" || { echo "unexpected status report:"; echo "$status"; exit 1; }
info=$(env -u LD_LIBRARY_PATH "$installed_tool" --simulate --state-file "$state" info)
grep -qx "BRIXEL FW Ver: 1.5" <<<"$info" || { echo "unexpected info:"; echo "$info"; exit 1; }
echo "status and info work from $prefix/bin"
