#!/usr/bin/env bash
# Installs the library into a fresh prefix and builds and runs the outside
# client against that copy only, once through the CMake package and once
# through pkg-config; with TOOL given, runs the installed brixelctl too, which
# must load the installed library by itself.
#   install_check.sh BUILD_DIR CLIENT_SOURCE WORK_DIR CXX CXX_FLAGS [TOOL]
set -euo pipefail
build_dir=$1
client_source=$2
work=$3
cxx=$4
cxx_flags=${5:-}
tool=${6:-}

rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

for header in BrixelLibrary.h BrixelPlatform.h; do
    [ -f "$prefix/include/$header" ] || { echo "missing $prefix/include/$header"; exit 1; }
done

for way in package pkg-config; do
    echo "=== outside client through the $way"
    client_build=$work/client-$way
    use_pkg_config=OFF
    [ "$way" = pkg-config ] && use_pkg_config=ON
    # Only the prefix is searched: no build tree, no system copy.
    PKG_CONFIG_PATH="$prefix/lib/pkgconfig:$prefix/lib64/pkgconfig" PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" \
        cmake -S "$client_source" -B "$client_build" -G Ninja \
        -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$cxx_flags" \
        -DCMAKE_EXE_LINKER_FLAGS="$cxx_flags" \
        -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
        -DUSE_PKG_CONFIG=$use_pkg_config >/dev/null
    cmake --build "$client_build" >/dev/null
    # The client must load the installed library, not the one in the build tree.
    if ldd "$client_build/outside_client" | grep -qF "$build_dir/libBrixelLibrary"; then
        echo "outside client loads the build tree's library"
        exit 1
    fi
    LD_LIBRARY_PATH="$prefix/lib" "$client_build/outside_client"
done

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
