# SPDX-License-Identifier: MIT
"""Control of the Brixel HDMI processor through BrixelLibrary.

    import brixel

    with brixel.Simulator():                 # no hardware: a simulated Brixel
        with brixel.Device() as dev:         # held open for the block
            dev.set_active_port(brixel.Port.PORT_2)
            print(dev.status().input.value)

Every exported function is reachable: the settings by name (and ``set`` for
any code), the status report with its InfoFrames decoded (``status.signal``,
``status.avi_if_hex.decoded``), EDIDs and the 24 built-in ones (CATALOGUE), AVI
and HDR InfoFrames, the colour matrix. ``Edid(data, drop=["hdr"], ...)``
makes an EDID from another, checked against it, for ``dev.write_edid``.
``decode_infoframe`` says what any InfoFrame means, without a device. A call the device does not confirm
raises NotConfirmed, or DeviceNotFound when no Brixel is reachable; both carry
the library's console lines and warnings, which a confirmed call's Result holds.
What cannot be sent raises Refused (a ValueError) with every problem. Each
call is an operation of the same catalogue brixelctl and its panel run:
``dev.run("edid install", entry=20)`` reaches any of them by name, and every
Result's ``document`` is what ``brixelctl --json`` prints for the same call.
"""

from ._decoded import DecodedInfoFrame, Signal
from ._device import CATALOGUE, CatalogueEntry, Device, Matrix, catalogue_entry, default_matrix
from ._edid import Check, Checks, Edid
from ._errors import DeviceNotFound, Error, NotConfirmed, Refused, Result
from ._infoframe import PRIMARIES, WHITE_D65, checksum_holds, decode_infoframe, hdr_infoframe, infoframe_text
from ._native import version as __version__
from ._simulator import FAULT_KINDS, FaultKind, Simulator
from ._status import Status, StatusLine
from ._tables import (
    Bt2020,
    ColourFormat,
    Depth,
    EdidMode,
    EdidTable,
    Eotf,
    FactoryReset,
    Hdcp,
    Port,
    Preset,
    Scaling,
    Setting,
)

__all__ = [
    "CATALOGUE",
    "FAULT_KINDS",
    "PRIMARIES",
    "WHITE_D65",
    "Bt2020",
    "CatalogueEntry",
    "Check",
    "Checks",
    "ColourFormat",
    "DecodedInfoFrame",
    "Depth",
    "Device",
    "DeviceNotFound",
    "Edid",
    "EdidMode",
    "EdidTable",
    "Eotf",
    "Error",
    "FactoryReset",
    "FaultKind",
    "Hdcp",
    "Matrix",
    "NotConfirmed",
    "Refused",
    "Port",
    "Preset",
    "Result",
    "Scaling",
    "Setting",
    "Signal",
    "Simulator",
    "Status",
    "StatusLine",
    "catalogue_entry",
    "checksum_holds",
    "decode_infoframe",
    "default_matrix",
    "hdr_infoframe",
    "infoframe_text",
    "__version__",
]
