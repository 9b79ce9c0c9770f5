#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds and runs the outside client against the copy of the library under
# PREFIX only, once through the CMake package and once through pkg-config.
# With VERSION given, both ask for at least that version and must find exactly it.
#   outside_client_check.sh PREFIX CLIENT_SOURCE WORK_DIR CXX CXX_FLAGS [VERSION]
set -euo pipefail
prefix=$(cd "$1" && pwd -P)
client_source=$2
work=$3
cxx=$4
cxx_flags=${5:-}
version=${6:-}

# Wherever the prefix keeps them (lib/, or lib/<multiarch>/ for /usr).
pc_file=$(find "$prefix" -name BrixelLibrary.pc -print -quit)
library=$(find "$prefix" -name 'libBrixelLibrary.so' -print -quit)
[ -n "$pc_file" ] || { echo "no BrixelLibrary.pc under $prefix"; exit 1; }
[ -n "$library" ] || { echo "no libBrixelLibrary.so under $prefix"; exit 1; }
libdir=$(dirname "$library")

mkdir -p "$work"
for way in package pkg-config; do
    echo "=== outside client through the $way${version:+, version $version}"
    client_build=$work/client-$way
    rm -rf "$client_build"
    use_pkg_config=OFF
    [ "$way" = pkg-config ] && use_pkg_config=ON
    # Only the prefix is searched: no build tree, no system copy.
    PKG_CONFIG_PATH="" PKG_CONFIG_LIBDIR=$(dirname "$pc_file") \
        cmake -S "$client_source" -B "$client_build" -G Ninja \
        -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$cxx_flags" \
        -DCMAKE_EXE_LINKER_FLAGS="$cxx_flags" \
        -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
        -DUSE_PKG_CONFIG=$use_pkg_config -DWANTED_VERSION="$version" >"$client_build.log" ||
        { cat "$client_build.log"; exit 1; }
    if [ -n "$version" ] && ! grep -qx -- "-- Found BrixelLibrary version $version" "$client_build.log"; then
        echo "the $way does not give version $version:"
        cat "$client_build.log"
        exit 1
    fi
    cmake --build "$client_build" >/dev/null
    # The client must load the copy under the prefix, not a build tree's or the system's.
    loaded=$(LD_LIBRARY_PATH=$libdir ldd "$client_build/outside_client" |
        sed -nE 's/^[[:space:]]*libBrixelLibrary\.so[^ ]* => ([^ ]+) .*/\1/p')
    case $(readlink -f "$loaded") in
        "$prefix"/*) ;;
        *) echo "the outside client loads '$loaded', not the library under $prefix"; exit 1 ;;
    esac
    LD_LIBRARY_PATH=$libdir "$client_build/outside_client"
done
