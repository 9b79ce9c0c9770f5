# SPDX-License-Identifier: MIT
"""The video status report as data: each line's text, its value without the
label, whether the device marks it as a warning, and the numbers in it, as
``brixelctl --json status`` gives them."""

from __future__ import annotations

import copy
from typing import Any


class StatusLine:
    """One line of the report; its numbers (width, height, rate, pixelClockKhz,
    colorSpace, depth, hdcp, ...) by key: ``line["width"]``."""

    def __init__(self, name: str, data: dict[str, Any]) -> None:
        self.name = name
        self.text: str = data["text"]
        self.value: str = data["value"]
        self.warning: bool = data["warning"]
        self.numbers: dict[str, Any] = {k: v for k, v in data.items() if k not in ("text", "value", "warning")}

    def __getitem__(self, key: str) -> Any:
        return self.numbers[key]

    def get(self, key: str, default: Any = None) -> Any:
        return self.numbers.get(key, default)

    def __repr__(self) -> str:
        return f"StatusLine({self.name!r}, {self.text!r})"


class Status:
    """The twenty lines of the report by name: ``status.input``, ``status.fields["hdrInput"]``."""

    def __init__(self, document: dict[str, Any]) -> None:
        self._document = document
        self.report: bool = document["report"]
        self.fields: dict[str, StatusLine] = {
            name: StatusLine(name, data) for name, data in (document["fields"] or {}).items()
        }

    def __getattr__(self, name: str) -> StatusLine:
        fields = self.__dict__.get("fields", {})
        if name in fields:
            line: StatusLine = fields[name]
            return line
        raise AttributeError(f"the report has no line {name!r}")

    def as_dict(self) -> dict[str, Any]:
        """The report as brixelctl's ``status --json`` has it: ``{"report": ..., "fields": {...}}``."""
        return copy.deepcopy(self._document)

    def __str__(self) -> str:
        return "\n".join(line.text for line in self.fields.values() if line.text)
