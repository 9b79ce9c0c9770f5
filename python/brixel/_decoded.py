# SPDX-License-Identifier: MIT
"""InfoFrames decoded, and the signal they describe, as ``brixelctl infoframe
decode --json`` and ``brixelctl --json status`` give them."""

from __future__ import annotations

import copy
from typing import Any, NamedTuple


class DecodedInfoFrame:
    """One InfoFrame decoded: what it is, its header, every field and the problems found.

    ``type`` is "AVI", "HDR", "SPD", "Audio", "Vendor" or "unknown"; ``fields``
    holds each field by its JSON name ("colourFormat", "eotf", "maxCll", ...),
    coded ones as ``{"code": N, "name": "..."}`` and a field the frame does not
    carry as None: ``frame["eotf"]["name"]``. ``lines`` is the text
    ``brixelctl infoframe decode`` prints (the summary, the header, the fields,
    the problems) and ``str(frame)`` joins them; a status report's frames come
    without (``decode_infoframe(line["bytes"])`` gives them), and ``str()`` is
    their summary.
    """

    def __init__(self, document: dict[str, Any]) -> None:
        self._document = document
        self.type: str = document["type"]
        self.type_code: int = document["typeCode"]
        self.version: int = document["version"]
        self.length: int = document["length"]
        self.checksum: int = document["checksum"]["value"]
        self.checksum_valid: bool = document["checksum"]["valid"]
        self.summary: str = document["summary"]
        self.problems: tuple[str, ...] = tuple(document["problems"])
        self.fields: dict[str, Any] = document["fields"]
        self.lines: tuple[str, ...] = tuple(document.get("lines", ()))

    def __getitem__(self, key: str) -> Any:
        return self.fields[key]

    def get(self, key: str, default: Any = None) -> Any:
        return self.fields.get(key, default)

    def as_dict(self) -> dict[str, Any]:
        """The frame as ``brixelctl infoframe decode --json`` has it."""
        return copy.deepcopy(self._document)

    def __str__(self) -> str:
        return "\n".join(self.lines) if self.lines else self.summary

    def __repr__(self) -> str:
        return f"DecodedInfoFrame({self.type!r}, {self.summary!r})"


class Signal(NamedTuple):
    """The video the report's InfoFrames describe: ``hdr_format`` is "SDR",
    "HDR10", "HLG", "HDR10+", "Dolby Vision" or "HDR gamma"; ``description``
    one line ("3840x2160p60 YCbCr 4:2:0 10-bit BT.2020 limited, HDR10 1000 cd/m²")."""

    hdr_format: str
    description: str


def signal_of(document: dict[str, Any] | None) -> Signal | None:
    return None if document is None else Signal(document["hdrFormat"], document["description"])
