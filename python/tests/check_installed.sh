#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the library and the Python module into a fresh prefix and imports
# the module from there as the README says (PYTHONPATH), with nothing of the
# build tree in reach: the installed extension must load the installed library.
#   check_installed.sh BUILD_DIR WORK_DIR PYTHON SITE_PACKAGES
set -euo pipefail
build_dir=$1
work=$2
python=$3
site=$4

rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
for component in runtime python; do
    cmake --install "$build_dir" --prefix "$prefix" --component "$component" >/dev/null
done
package=$prefix/$site/brixel
for file in __init__.py _tables.py _native.pyi py.typed; do
    [ -f "$package/$file" ] || { echo "missing $package/$file"; exit 1; }
done
extension=$(ls "$package"/_native*.so)
loaded=$(env -u LD_LIBRARY_PATH ldd "$extension" | sed -nE 's/^[[:space:]]*libBrixelLibrary\.so[^ ]* => ([^ ]+) .*/\1/p')
case $(readlink -f "$loaded") in
    "$(readlink -f "$prefix")"/lib*/libBrixelLibrary.so*) echo "the extension loads $loaded" ;;
    *) echo "the installed extension loads '$loaded', not the library under $prefix"; exit 1 ;;
esac
cd "$work"
out=$(env -u LD_LIBRARY_PATH PYTHONPATH="$prefix/$site" "$python" -c '
import brixel
print(brixel.__file__)
with brixel.Simulator(), brixel.Device() as dev:
    print(dev.firmware_version())
')
echo "$out"
[ "$(sed -n 1p <<<"$out")" = "$package/__init__.py" ] || { echo "brixel was not imported from $package"; exit 1; }
[ "$(sed -n 2p <<<"$out")" = "BRIXEL FW Ver: 1.5" ] || { echo "unexpected firmware version"; exit 1; }
