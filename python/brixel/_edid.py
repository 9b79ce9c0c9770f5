# SPDX-License-Identifier: MIT
"""EDIDs made from others by the EDID editor's edits, checked against them.

Each Edid is one run of the catalogue's ``edid derive`` on its original's
bytes (no device asked), as ``brixelctl edid derive`` and the panel run it.
"""

from __future__ import annotations

from dataclasses import dataclass
from typing import Any, Iterable, Union

from . import _native
from ._errors import Refused
from ._run import inputs_of, outcome_result, refusal_text

#: What an EDID is given as: its bytes, or text in any hex form brixelctl reads.
EdidData = Union[bytes, bytearray, memoryview, str]

# The edits whose values add up when an Edid is edited again.
_LISTS = ("drop", "addVic", "removeVic")


@dataclass(frozen=True)
class Check:
    """One checker's verdict on a derived EDID against its original: ``new``
    what the result has wrong that the original had not, ``kept`` what both have."""

    passed: bool
    new: tuple[str, ...]
    kept: tuple[str, ...]


@dataclass(frozen=True)
class Checks:
    """The checks of a derived EDID: the model's, and edid-decode --check's
    where it is installed (None where not)."""

    passed: bool
    model: Check
    edid_decode: Check | None


def _check(document: dict[str, Any]) -> Check:
    return Check(bool(document["passed"]), tuple(document["new"]), tuple(document["kept"]))


def _listed(value: Iterable[Any] | str | int) -> list[Any]:
    return [value] if isinstance(value, (str, int)) else list(value)


def _content(data: EdidData | Edid) -> bytes | str:
    if isinstance(data, Edid):
        return bytes(data)
    return data if isinstance(data, str) else bytes(data)


class Edid:
    """An EDID and the edits that made it from its original.

        tv = brixel.Edid(dev.sink_edid())               # the display's, as it is
        lounge = tv.edit(drop=["hdr"], name="Lounge")   # or brixel.Edid(data, drop=..., name=...)
        print(lounge.changes)                           # what differs from the original
        assert lounge.check().passed
        dev.write_edid(lounge)                          # written, then read back

    The edits are brixelctl's ``edid derive`` options as keyword arguments:
    ``name``, ``serial``, ``serial_text``, ``product``, ``manufacturer``,
    ``week``, ``year``, ``drop`` (``"hdr"``, ``"audio"``, ... or a list),
    ``max_tmds`` (MHz), ``max_mode`` (``"1920x1080@60"``), ``audio_from``
    (another EDID), ``add_vic`` and ``remove_vic`` (a VIC or a list),
    ``preferred`` (a VIC or a mode). Edits the editor cannot make raise
    Refused (a ValueError) with its sentences. A result whose checks find
    something new wrong is not given: ``bytes()`` raises Refused, unless
    ``force``; ``check()`` says what.
    """

    def __init__(
        self,
        data: EdidData | Edid,
        *,
        name: str | None = None,
        serial: int | None = None,
        serial_text: str | None = None,
        product: int | None = None,
        manufacturer: str | None = None,
        week: int | None = None,
        year: int | None = None,
        drop: Iterable[str] | str = (),
        max_tmds: int | None = None,
        max_mode: str | None = None,
        audio_from: EdidData | Edid | None = None,
        add_vic: Iterable[int] | int = (),
        remove_vic: Iterable[int] | int = (),
        preferred: int | str | None = None,
        force: bool = False,
    ) -> None:
        given = inputs_of(
            {
                "name": name,
                "serial": serial,
                "serial_text": serial_text,
                "product": product,
                "manufacturer": manufacturer,
                "week": week,
                "year": year,
                "max_tmds": max_tmds,
                "max_mode": max_mode,
                "audio_from": None if audio_from is None else _content(audio_from),
                "preferred": preferred,
            }
        )
        for key, values in (("drop", drop), ("addVic", add_vic), ("removeVic", remove_vic)):
            if listed := _listed(values):
                given[key] = listed
        self._content: bytes | str
        self._edits: dict[str, Any]
        self._force: bool
        if isinstance(data, Edid):
            self._content, self._edits, self._force = data._content, dict(data._edits), data._force or force
        else:
            self._content, self._edits, self._force = _content(data), {}, force
        for key, value in given.items():
            self._edits[key] = self._edits.get(key, []) + value if key in _LISTS else value
        self._outcome = _native.run("", "edid derive", self._inputs())
        # Refused for its checks, it still says what changed and what they found.
        if self._outcome.refused and self._outcome.override != "force":
            outcome_result("edid derive", self._outcome)
        self.document: dict[str, Any] = self._outcome.document

    def _inputs(self, **more: Any) -> dict[str, Any]:
        """The inputs of ``edid derive`` that make this EDID, with ``more``."""
        return {"content": self._content, **self._edits, "force": self._force, **inputs_of(more)}

    def edit(self, **edits: Any) -> Edid:
        """This EDID's original with these edits too (lists add up, the rest replace)."""
        return Edid(self, **edits)

    @property
    def changes(self) -> list[str]:
        """What differs from the original, block by block, field by field."""
        return list(self.document["changes"])

    @property
    def notes(self) -> list[str]:
        """Edits that found nothing to do, and checks that could not be made."""
        return list(self.document["notes"])

    @property
    def problems(self) -> list[str]:
        """What the checks found wrong that the original had not."""
        return list(self.document["problems"])

    @property
    def hex(self) -> str:
        """The bytes as ``brixelctl edid get`` prints them: 16 a line."""
        bytes(self)  # Refused when the result is held back
        return str(self.document["edid"])

    def check(self) -> Checks:
        """The model's checks and edid-decode's, each against the original."""
        checks = self.document["checks"]
        decoded = checks["edidDecode"]
        return Checks(bool(checks["passed"]), _check(checks["model"]), None if decoded is None else _check(decoded))

    def diff(self, other: EdidData | Edid) -> list[str]:
        """What differs from this EDID to ``other``, block by block, field by field."""
        inputs = {"beforeContent": bytes(self), "afterContent": _content(other)}
        result = outcome_result("edid diff", _native.run("", "edid diff", inputs))
        return list(result.document["changes"])

    def __bytes__(self) -> bytes:
        if self._outcome.refused:
            raise Refused("edid derive", refusal_text(self._outcome), tuple(self.problems), self.document)
        return self._outcome.data

    def __repr__(self) -> str:
        edits = ", ".join(f"{key}={value!r}" for key, value in self._edits.items() if key != "audioFrom")
        return f"Edid({len(self._outcome.data)} bytes{', ' + edits if edits else ''})"
