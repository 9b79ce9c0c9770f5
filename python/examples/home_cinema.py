#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Set up the output for an HDR film: python3 home_cinema.py [--simulate]

Installs a built-in EDID, sends an HDR InfoFrame built from the film's
mastering values, and switches the colour matrix to identity."""

import contextlib
import sys

import brixel

IDENTITY: brixel.Matrix = [[0.0, 1.0, 0.0, 0.0], [0.0, 0.0, 1.0, 0.0], [0.0, 0.0, 0.0, 1.0]]


def set_up(dev: brixel.Device) -> list[brixel.Result]:
    entry = brixel.catalogue_entry("2160p60-hdr-multi")
    frame = brixel.hdr_infoframe(eotf=brixel.Eotf.PQ, primaries="p3", max_luminance=1000, max_cll=1000, max_fall=400)
    return [
        dev.install_edid(entry),
        dev.set_edid_mode(brixel.EdidMode.CUSTOM),
        dev.set_hdr_infoframe(frame),
        dev.set_custom_hdr(True),
        dev.set_matrix(IDENTITY),
        dev.set3x_en(True),
        dev.set(brixel.Setting.LOGO_LED, 0),
    ]


def main(argv: list[str]) -> int:
    # No hardware: the simulated Brixel takes its place for the block.
    scope: contextlib.AbstractContextManager[object] = contextlib.nullcontext()
    if "--simulate" in argv:
        scope = brixel.Simulator()
    with scope:
        try:
            with brixel.Device() as dev:
                for result in set_up(dev):
                    print(result.operation, "confirmed", *result.messages)
                print("HDR InfoFrame:", brixel.infoframe_text(brixel.hdr_infoframe()))
                print("EDID now:", dev.edid()[:16].hex(" "), "...")
        except brixel.Error as error:
            print(f"{error}", *error.messages, *error.warnings, sep="\n  ", file=sys.stderr)
            return 3 if isinstance(error, brixel.DeviceNotFound) else 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
