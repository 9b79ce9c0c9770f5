#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Pick an input and show the video report: python3 status.py [--simulate] [PORT]"""

import contextlib
import sys

import brixel


def main(argv: list[str]) -> int:
    simulate = "--simulate" in argv
    ports = [a for a in argv if a != "--simulate"]
    port = brixel.Port(int(ports[0])) if ports else brixel.Port.PORT_1
    # No hardware: the simulated Brixel takes its place for the block.
    scope: contextlib.AbstractContextManager[object] = contextlib.nullcontext()
    if simulate:
        scope = brixel.Simulator()
    with scope:
        try:
            with brixel.Device() as dev:
                dev.set_active_port(port)
                status = dev.status()
        except brixel.DeviceNotFound as error:
            print(f"{error} ({'; '.join(error.warnings)})", file=sys.stderr)
            return 3
        except brixel.NotConfirmed as error:
            print(error, *error.messages, sep="\n", file=sys.stderr)
            return 1
    print(status)
    if status.signal:  # what the source sends, read from its InfoFrames
        print(f"{status.signal.hdr_format}: {status.signal.description}")
    video = status.input
    print(f"{video['width']}x{video['height']} at {video['rate']} Hz")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
