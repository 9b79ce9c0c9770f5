#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The shared library holds no code of the tool or of the simulator, and the
# tool holds none of the library's: it loads the shared library instead.
#   check_tool_apart.sh LIBRARY TOOL
set -euo pipefail
library=$1
tool=$2

# Names of tool and simulator code. Each must show in the tool itself, so that
# a renamed function cannot leave a name behind that proves nothing.
tool_names=('brixel::cli::' 'brixel::sim::' 'brixel::toolkit::surveyUsb(' 'brixel::toolkit::hasUsbxpressShape(')
# Library code (not from a header) that only the shared library may carry.
library_names=('brixel::transact(' 'brixel::ensureDeviceOpen(' 'brixel::edid::writeEdid(' 'brixel::platform::defaultHost(')
# Built on libusb, the library's USB layer is compiled into it alone: the tool
# reaches it through the library and calls no libusb function itself.
if readelf -d "$library" | grep -q 'NEEDED.*libusb'; then
    library_names+=('brixel::platform::listUsbxpressDevices(' 'brixel::platform::usbxpressShape(')
fi

symbols=$(mktemp -d)
trap 'rm -rf "$symbols"' EXIT
library_symbols=$symbols/library
tool_symbols=$symbols/tool
nm -C "$library" >"$library_symbols"
nm -C "$tool" >"$tool_symbols"
status=0
has() { grep -qF -- "$2" "$1"; }

for name in "${tool_names[@]}"; do
    has "$tool_symbols" "$name" || { echo "$name: not in $tool either, so its absence below proves nothing"; status=1; }
    has "$library_symbols" "$name" && { echo "$name: tool or simulator code in $library"; status=1; }
done
for name in "${library_names[@]}"; do
    has "$library_symbols" "$name" || { echo "$name: not in $library, so its absence below proves nothing"; status=1; }
    has "$tool_symbols" "$name" && { echo "$name: library code compiled into $tool"; status=1; }
done

libusb_calls=$(nm -D --undefined-only "$tool" | grep -oE '\blibusb_[a-z_]+' || true)
if [ -n "$libusb_calls" ]; then
    echo "$tool calls libusb itself: $(echo $libusb_calls)"
    status=1
fi
if readelf -d "$tool" | grep -q 'NEEDED.*libusb'; then
    echo "$tool links libusb itself"
    status=1
fi

# The dynamic loader resolves the library to the one given.
loaded=$(ldd "$tool" | sed -nE 's/^[[:space:]]*libBrixelLibrary\.so[^ ]* => ([^ ]+) .*/\1/p')
if [ -z "$loaded" ]; then
    echo "$tool does not load libBrixelLibrary.so"
    status=1
elif [ "$(readlink -f "$loaded")" != "$(readlink -f "$library")" ]; then
    echo "$tool loads $loaded, not $library"
    status=1
fi

[ $status -eq 0 ] && echo "$library holds no tool code; $tool holds no library code and loads $loaded"
exit $status
