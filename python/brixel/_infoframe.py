# SPDX-License-Identifier: MIT
"""InfoFrames as bytes or text, the HDR InfoFrame built from values, and what
any InfoFrame means."""

from __future__ import annotations

from typing import Sequence, Union

from . import _native
from ._decoded import DecodedInfoFrame
from ._run import outcome_result
from ._tables import Eotf

Point = tuple[float, float]
Primaries = Union[str, Sequence[Point]]

#: The named sets of mastering display primaries: name -> (red, green, blue).
PRIMARIES: dict[str, tuple[Point, Point, Point]] = dict(_native.PRIMARIES)
#: The D65 white point.
WHITE_D65: Point = _native.WHITE_D65


def infoframe_text(frame: bytes | str) -> str:
    """The text the library takes ("87:01:1A:..."): bytes are spelled out, text is taken as it is."""
    if isinstance(frame, (bytes, bytearray, memoryview)):
        return _native.infoframe_text(bytes(frame))
    if isinstance(frame, str):
        return frame
    raise TypeError(f"an InfoFrame is bytes or text, not {type(frame).__name__}")


def checksum_holds(frame: bytes | str) -> bool:
    """Whether the frame's bytes add up to 0 modulo 256 (text that is not hex counts as not)."""
    text = infoframe_text(frame)
    try:
        data = bytes.fromhex(text.replace(":", ""))
    except ValueError:
        return False
    return _native.checksum_holds(data)


def _point(value: Sequence[float], what: str) -> list[float]:
    if len(value) != 2:
        raise ValueError(f"{what}: a point is (x, y), not {tuple(value)!r}")
    return [float(value[0]), float(value[1])]


def hdr_infoframe(
    eotf: Eotf | int | str = _native.HDR_DEFAULTS["eotf"],
    primaries: Primaries = _native.HDR_DEFAULTS["primaries"],
    white_point: str | Sequence[float] = _native.HDR_DEFAULTS["whitePoint"],
    max_luminance: float = _native.HDR_DEFAULTS["maxLuminance"],
    min_luminance: float = _native.HDR_DEFAULTS["minLuminance"],
    max_cll: float = _native.HDR_DEFAULTS["maxCll"],
    max_fall: float = _native.HDR_DEFAULTS["maxFall"],
) -> bytes:
    """An HDR (Dynamic Range and Mastering) InfoFrame from values, checksum included.

    ``eotf`` an Eotf, its number or its name in any case ("pq"); ``primaries``
    a name of PRIMARIES ("bt2020", "p3", "bt709", any case) or three (x, y)
    points, red, green, blue; ``white_point`` "d65" or (x, y). Luminances in
    cd/m2; MaxCLL and MaxFALL 0 for unknown. Refused (a ValueError) names every
    value that does not fit its field.
    """
    if isinstance(eotf, int):
        eotf = Eotf(eotf).name
    points: str | list[float]
    if isinstance(primaries, str):
        points = primaries
    else:
        if len(primaries) != 3:
            raise ValueError("primaries: three (x, y) points, red, green and blue")
        points = [v for p in primaries for v in _point(p, "primaries")]
    white = white_point if isinstance(white_point, str) else _point(white_point, "white_point")
    inputs = {
        "eotf": eotf,
        "primaries": points,
        "whitePoint": white,
        "maxLuminance": float(max_luminance),
        "minLuminance": float(min_luminance),
        "maxCll": float(max_cll),
        "maxFall": float(max_fall),
        "send": False,
    }
    result = outcome_result("infoframe hdr-build", _native.run("", "infoframe hdr-build", inputs))
    text: str = result.document["text"]
    return bytes.fromhex(text.replace(":", ""))


def decode_infoframe(data: bytes | str) -> DecodedInfoFrame:
    """What an InfoFrame means: every field, a one-line summary, the problems found.

    ``data`` is the whole frame (type, version, length, checksum, payload) as
    raw bytes (as the kernel's debugfs InfoFrame files hold it), or as hex
    text ("87:01:1a:...", with spaces, or any hex dump; also as bytes). A frame
    with problems is decoded all the same: they are in ``problems``. Input
    that is no InfoFrame (not hex, fewer than 4 or more than 31 bytes) is
    Refused (a ValueError); no device is needed.
    """
    if not isinstance(data, (bytes, bytearray, memoryview, str)):
        raise TypeError(f"an InfoFrame is bytes or text, not {type(data).__name__}")
    result = outcome_result("infoframe decode", _native.run("", "infoframe decode", {"frames": [data]}))
    return DecodedInfoFrame(result.document["frames"][0])
