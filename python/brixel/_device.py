# SPDX-License-Identifier: MIT
"""The device: every operation of the catalogue as a method."""

from __future__ import annotations

from types import TracebackType
from typing import Any, NamedTuple, Sequence

from . import _native
from ._edid import Edid
from ._errors import DeviceNotFound, NotConfirmed, Result
from ._infoframe import infoframe_text
from ._run import inputs_of, outcome_result
from ._status import Status
from ._tables import EdidTable, Setting, SettingMethods

Matrix = list[list[float]]


class CatalogueEntry(NamedTuple):
    """A built-in EDID: its EDIDTABLE value, name, one-line description and 256 bytes."""

    value: EdidTable
    name: str
    description: str
    data: bytes


#: The 24 built-in EDIDs, in EDIDTABLE order.
CATALOGUE: tuple[CatalogueEntry, ...] = tuple(
    CatalogueEntry(EdidTable(value), name, description, data)
    for value, name, description, data in _native.catalogue()
)

_ROW = len(_native.MATRIX_FIELDS) // 3


def _rows(document: dict[str, float]) -> Matrix:
    values = [float(document[name]) for name in _native.MATRIX_FIELDS]
    return [values[k : k + _ROW] for k in range(0, len(values), _ROW)]


def _flat(rows: Sequence[Sequence[float]]) -> list[float]:
    if len(rows) != 3 or any(len(row) != _ROW for row in rows):
        raise ValueError(f"a matrix is 3 rows of {_ROW} values (offset, then three coefficients)")
    return [float(v) for row in rows for v in row]


def default_matrix() -> Matrix:
    """The matrix reset3x gives (BT.709 limited-range YCbCr to RGB), zero offsets."""
    result = outcome_result("matrix default", _native.run("", "matrix default", {}))
    return _rows(result.document["matrix"])


def catalogue_entry(entry: CatalogueEntry | EdidTable | int | str) -> CatalogueEntry:
    """A built-in EDID by entry, value (2 to 25) or name (any case)."""
    if isinstance(entry, CatalogueEntry):
        return entry
    if isinstance(entry, str):
        for e in CATALOGUE:
            if e.name.lower() == entry.lower():
                return e
        raise ValueError(f"{entry!r} names no built-in EDID")
    for e in CATALOGUE:
        if e.value == entry:
            return e
    raise ValueError(f"{entry!r} names no built-in EDID: 2 to 25")


class Device(SettingMethods):
    """A Brixel: the one at ``path`` (as ``brixelctl list`` or ``Simulator.paths``
    shows it), or the first one found.

    Used in a ``with`` block the device is held open for the block and closed
    at its end, also on an exception; otherwise each call opens and closes it.
    A call the device does not confirm raises NotConfirmed, and DeviceNotFound
    when no Brixel was reachable; what cannot be sent raises Refused (a
    ValueError) naming every problem. A confirmed call returns a Result or the
    value read. ``messages`` and ``warnings`` keep every console line and
    warning of the library so far. Calls from several threads are taken one at
    a time.
    """

    def __init__(self, path: str = "") -> None:
        self._path = path
        self._held = False
        self.messages: list[str] = []
        self.warnings: list[str] = []

    @property
    def path(self) -> str:
        return self._path

    def __enter__(self) -> Device:
        """Holds the device open for the block; DeviceNotFound when no Brixel is
        reachable (at the path, when one was given), as any call would say."""
        if self._held:
            raise RuntimeError("this Device is held open already")
        _native.hold(self._path)
        self._held = True
        # Looked for as `brixelctl list` looks: nothing is sent to the device.
        outcome = _native.run(self._path, "list", {})
        if not outcome.confirmed:
            self.close()
            at = f" at {self._path}" if self._path else ""
            raise DeviceNotFound("open", f"open: no Brixel reachable{at}", tuple(outcome.messages),
                                 tuple(outcome.warnings), outcome.document)
        return self

    def __exit__(
        self,
        kind: type[BaseException] | None,
        value: BaseException | None,
        traceback: TracebackType | None,
    ) -> None:
        self.close()

    def close(self) -> None:
        """Ends the hold of a ``with`` block: the device is closed."""
        if self._held:
            self._held = False
            self._keep(_native.release(self._path))

    def __repr__(self) -> str:
        return f"Device({self._path!r})"

    # ---- runs ----------------------------------------------------------------

    def _keep(self, outcome: _native.Outcome) -> None:
        self.messages.extend(outcome.messages)
        self.warnings.extend(outcome.warnings)

    def _outcome(self, operation: str, inputs: dict[str, Any]) -> tuple[Result, _native.Outcome]:
        outcome = _native.run(self._path, operation, inputs)
        self._keep(outcome)
        return outcome_result(operation, outcome, self._path), outcome

    def run(self, operation: str, **inputs: Any) -> Result:
        """Any operation of the catalogue by its name (as brixelctl names the
        command: ``"edid install"``), its inputs as keyword arguments
        (``fill_checksum=True``). The Result's ``document`` is what
        ``brixelctl --json`` and the panel give for the same call."""
        return self._outcome(operation, inputs_of(inputs))[0]

    # ---- settings ------------------------------------------------------------

    def _setting(self, operation: str, value: int | str | None = None) -> Result:
        return self._outcome(operation, {} if value is None else {"value": value})[0]

    def set(self, setting: Setting | int | str, value: int | str | bool = 1) -> Result:
        """A setting by name (``"scaling"``, any case) with a value by name or
        number; or any setting code with any value byte (0 to 255) the library
        sends (setBrixelState)."""
        if isinstance(setting, str):
            return self._outcome(setting.lower(), {"value": value})[0]
        return self._outcome("set", {"code": int(setting), "value": int(value)})[0]

    # ---- readback ------------------------------------------------------------

    def firmware_version(self) -> str:
        """getFwVersion: "BRIXEL FW Ver: major.minor"."""
        result = self._outcome("info", {})[0]
        firmware: str = result.document["firmware"]
        return firmware

    def state(self) -> bytes:
        """getBrixelState: the device's 60-byte state block."""
        result = self._outcome("info", {})[0]
        return bytes(result.document["stateBlock"])

    def status(self) -> Status:
        """getVideoFormat: the video status report. DeviceNotFound with no
        Brixel reachable; NotConfirmed when the device did not answer, or has no
        report (no signal on the active input)."""
        outcome = _native.run(self._path, "status", {})
        self._keep(outcome)
        if outcome.confirmed:
            return Status(outcome.document)
        if outcome.refused or outcome.reach != "answered":
            outcome_result("status", outcome, self._path)
        raise NotConfirmed(
            "status",
            "status: no video report, the device has no signal to report on the active input",
            tuple(outcome.messages),
            tuple(outcome.warnings),
            outcome.document,
        )

    # ---- EDID ----------------------------------------------------------------

    def edid(self) -> bytes:
        """getEdid: the 256 bytes of the EDID the device shows the source."""
        return self._outcome("edid get", {})[1].data

    def sink_edid(self) -> bytes:
        """getSinkEdid: the 256 bytes of the display's EDID."""
        return self._outcome("edid sink", {})[1].data

    def write_edid(self, data: bytes | str | Edid, *, force: bool = False, fix_checksums: bool = False) -> Result:
        """setCustomEdid, once the EDID is checked.

        ``data`` is raw binary or any hex form brixelctl reads (hex dumps,
        edid-decode's output, C arrays); 128 bytes announcing no extension are
        padded to 256. Refused (a ValueError) lists every problem of the header
        and the checksums, and nothing is written, unless ``force``;
        ``fix_checksums`` sets both checksum bytes first.

        An Edid is made again from its original and written only when its
        checks pass (or ``force``), then read back: NotConfirmed when the
        device shows something else.
        """
        if isinstance(data, Edid):
            if fix_checksums:
                raise TypeError("an Edid's checksums are always right: fix_checksums is for bytes")
            operation = "edid derive"
            outcome = _native.run(self._path, operation, data._inputs(write=True, force=force or None))
            self._keep(outcome)
            result = outcome_result(operation, outcome, self._path)
            if outcome.code == _native.EXIT_NOT_CONFIRMED:
                raise NotConfirmed(operation, f"{operation}: {outcome.error}", result.messages, result.warnings,
                                   result.document)
            return result
        content = data.encode() if isinstance(data, str) else bytes(data)
        inputs = {"content": content, "name": "data", "force": force, "fixChecksums": fix_checksums}
        return self._outcome("edid set", inputs)[0]

    def install_edid(self, entry: CatalogueEntry | EdidTable | int | str) -> Result:
        """changeCustomEdid: uploads a built-in EDID (an entry of CATALOGUE, its
        value or its name) and selects it. Takes about a second."""
        chosen = entry.value if isinstance(entry, CatalogueEntry) else entry
        return self._outcome("edid install", {"entry": chosen if isinstance(chosen, str) else int(chosen)})[0]

    # ---- InfoFrames ----------------------------------------------------------

    def set_avi_infoframe(self, frame: bytes | str) -> Result:
        """setAviIf: a whole AVI InfoFrame (2 to 17 bytes) as bytes or as text
        ("82:02:0D:..."), checked first, then activated."""
        return self._outcome("infoframe avi", {"text": infoframe_text(frame)})[0]

    def set_hdr_infoframe(self, frame: bytes | str, fill_checksum: bool = False) -> Result:
        """setHdrIf: an HDR InfoFrame (2 to 31 bytes) as bytes or text, checked
        first, then activated; ``fill_checksum`` lets the library compute the
        fourth byte. hdr_infoframe() builds one from values."""
        return self._outcome("infoframe hdr", {"text": infoframe_text(frame), "fillChecksum": fill_checksum})[0]

    # ---- colour matrix -------------------------------------------------------

    @property
    def matrix(self) -> Matrix:
        """get3x / set3x: three rows of [offset, coefficient 1, 2, 3].

        Coefficients -4 to 4 (-4 reads back as +4), offsets -128 to 255.996
        (read back whole and unsigned)."""
        result = self._outcome("matrix get", {})[0]
        return _rows(result.document["matrix"])

    @matrix.setter
    def matrix(self, rows: Sequence[Sequence[float]]) -> None:
        self.set_matrix(rows)

    def set_matrix(self, rows: Sequence[Sequence[float]]) -> Result:
        """set3x, the values checked first (Refused names every one that does
        not fit); the Result's notes say what the device will hold differently."""
        return self._outcome("matrix set", {"values": _flat(rows)})[0]

    def reset_matrix(self) -> Result:
        """Sends the default matrix (reset3x's) to the device."""
        return self._outcome("matrix reset", {})[0]
