"""InfoFrames as bytes or text, and the HDR InfoFrame built from values."""

from __future__ import annotations

from typing import Sequence, Union

from . import _native
from ._tables import Eotf

Point = tuple[float, float]
Primaries = Union[str, Sequence[Point]]

#: The named sets of mastering display primaries: name -> (red, green, blue).
PRIMARIES: dict[str, tuple[Point, Point, Point]] = dict(_native.PRIMARIES)
#: The D65 white point.
WHITE_D65: Point = _native.WHITE_D65

_MAX_LUMINANCE, _MIN_LUMINANCE, _MAX_CLL, _MAX_FALL = _native.HDR_DEFAULTS


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


def _point(value: Sequence[float], what: str) -> Point:
    if len(value) != 2:
        raise ValueError(f"{what}: a point is (x, y), not {tuple(value)!r}")
    return (float(value[0]), float(value[1]))


def hdr_infoframe(
    eotf: Eotf | int = Eotf.PQ,
    primaries: Primaries = "bt2020",
    white_point: str | Sequence[float] = "d65",
    max_luminance: float = _MAX_LUMINANCE,
    min_luminance: float = _MIN_LUMINANCE,
    max_cll: float = _MAX_CLL,
    max_fall: float = _MAX_FALL,
) -> bytes:
    """An HDR (Dynamic Range and Mastering) InfoFrame from values, checksum included.

    ``primaries`` is a name of PRIMARIES ("bt2020", "p3", "bt709", any case) or
    three (x, y) points, red, green, blue; ``white_point`` "d65" or (x, y).
    Luminances in cd/m2; MaxCLL and MaxFALL 0 for unknown. ValueError names
    every value that does not fit its field.
    """
    if isinstance(primaries, str):
        named = PRIMARIES.get(primaries.lower())
        if named is None:
            raise ValueError(f"primaries: expected one of {', '.join(PRIMARIES)} or three (x, y) points, not {primaries!r}")
        red, green, blue = named
    else:
        if len(primaries) != 3:
            raise ValueError("primaries: three (x, y) points, red, green and blue")
        red, green, blue = (_point(p, "primaries") for p in primaries)
    if isinstance(white_point, str):
        if white_point.lower() != "d65":
            raise ValueError(f"white_point: expected 'd65' or (x, y), not {white_point!r}")
        white = WHITE_D65
    else:
        white = _point(white_point, "white_point")
    return _native.hdr_infoframe(
        int(Eotf(eotf)), red, green, blue, white, max_luminance, min_luminance, max_cll, max_fall
    )
