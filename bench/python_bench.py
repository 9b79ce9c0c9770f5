#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""What the Python module costs over the library: a setting call through
brixel.Device in a held session on the simulated device, against the same
exported function called directly in the same process through ctypes, with
the USB layer and host the module's session installed.

    PYTHONPATH=build/release/python python3 bench/python_bench.py [CALLS]
"""

from __future__ import annotations

import ctypes
import sys
import time
from pathlib import Path

import brixel
from brixel import _native


def per_call(calls: int, call: object) -> float:
    """Microseconds per call, the best of five rounds."""
    best = float("inf")
    for _ in range(5):
        start = time.perf_counter()
        for _ in range(calls):
            call()  # type: ignore[operator]
        best = min(best, (time.perf_counter() - start) / calls * 1e6)
    return best


def library() -> ctypes.CDLL:
    """The shared library the module loaded, not a second copy."""
    for line in Path("/proc/self/maps").read_text().splitlines():
        if "libBrixelLibrary.so" in line:
            return ctypes.CDLL(line.split()[-1], mode=ctypes.RTLD_GLOBAL | 4)  # RTLD_NOLOAD
    sys.exit("libBrixelLibrary.so is not loaded")


def main() -> int:
    calls = int(sys.argv[1]) if len(sys.argv) > 1 else 20000
    with brixel.Simulator(), brixel.Device() as dev:
        dev.set_active_port(2)  # the session is open and the device held from here
        module = per_call(calls, lambda: dev.set_active_port(2))
        run = per_call(calls, lambda: _native.run("", "port", {"value": 2}))
        direct_port = library()["_Z13setActivePort13BRIXEL_INPORT"]
        direct_port.restype = ctypes.c_bool
        direct_port.argtypes = [ctypes.c_int]
        direct = per_call(calls, lambda: direct_port(2))
        assert direct_port(2)
    print(f"dev.set_active_port(2)          {module:8.2f} us a call")
    print(f"_native.run('port', value=2)    {run:8.2f} us a call")
    print(f"setActivePort(2) through ctypes {direct:8.2f} us a call")
    print(f"the module over the library     {module - direct:8.2f} us a call")
    return 0


if __name__ == "__main__":
    sys.exit(main())
