# SPDX-License-Identifier: MIT
"""The video status report as data: each line's text, its value without the
label, whether the device marks it as a warning, the numbers in it, the
InfoFrames decoded and the signal they describe, as ``brixelctl --json
status`` gives them."""

from __future__ import annotations

import copy
from typing import Any

from ._decoded import DecodedInfoFrame, Signal, signal_of
from ._tables import StatusLines

_OWN_KEYS = ("text", "value", "warning", "decoded")


class StatusLine:
    """One line of the report; its numbers (width, height, rate, pixelClockKhz,
    colorSpace, depth, hdcp, bytes ...) by key: ``line["width"]``. A line
    holding an InfoFrame (aviIfHex ...) has it ``decoded``; other lines, and an
    empty one, have None."""

    def __init__(self, name: str, data: dict[str, Any]) -> None:
        self.name = name
        self.text: str = data["text"]
        self.value: str = data["value"]
        self.warning: bool = data["warning"]
        decoded = data.get("decoded")
        self.decoded: DecodedInfoFrame | None = None if decoded is None else DecodedInfoFrame(decoded)
        self.numbers: dict[str, Any] = {k: v for k, v in data.items() if k not in _OWN_KEYS}

    def __getitem__(self, key: str) -> Any:
        return self.numbers[key]

    def get(self, key: str, default: Any = None) -> Any:
        return self.numbers.get(key, default)

    def __repr__(self) -> str:
        return f"StatusLine({self.name!r}, {self.text!r})"


class Status(StatusLines):
    """The twenty lines of the report as properties: ``status.input``,
    ``status.in_color_space``, ``status.avi_if_hex.decoded``; by the names of
    ``brixelctl --json status`` in ``fields`` (``status.fields["hdrInput"]``);
    and ``signal``, the video the InfoFrames describe (None without a report)."""

    def __init__(self, document: dict[str, Any]) -> None:
        self._document = document
        self.report: bool = document["report"]
        self.signal: Signal | None = signal_of(document.get("signal"))
        self.fields: dict[str, StatusLine] = {
            name: StatusLine(name, data) for name, data in (document["fields"] or {}).items()
        }
        self._lines = self.fields

    def __repr__(self) -> str:
        signal = self.signal.description if self.signal else None
        return f"Status(report={self.report!r}, input={self.input.value!r}, signal={signal!r})"

    def as_dict(self) -> dict[str, Any]:
        """The report as brixelctl's ``status --json`` has it: ``{"report": ..., "fields": {...}, "signal": ...}``."""
        return copy.deepcopy(self._document)

    def __str__(self) -> str:
        return "\n".join(line.text for line in self.fields.values() if line.text)
