"""The device: every exported operation of the library as a method."""

from __future__ import annotations

import json
from types import TracebackType
from typing import NamedTuple, Sequence

from . import _native
from ._errors import DeviceNotFound, NotConfirmed, Result
from ._infoframe import checksum_holds, infoframe_text
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


def _rows(values: Sequence[float]) -> Matrix:
    return [list(values[k : k + _ROW]) for k in range(0, len(values), _ROW)]


def _flat(rows: Sequence[Sequence[float]]) -> list[float]:
    if len(rows) != 3 or any(len(row) != _ROW for row in rows):
        raise ValueError(f"a matrix is 3 rows of {_ROW} values (offset, then three coefficients)")
    return [float(v) for row in rows for v in row]


def default_matrix() -> Matrix:
    """The matrix reset3x gives (BT.709 limited-range YCbCr to RGB), zero offsets."""
    return _rows(_native.default_matrix())


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
    when no Brixel was reachable; a confirmed one returns a Result or the value
    read. ``messages`` and ``warnings`` keep every console line and warning of
    the library so far. Calls from several threads are taken one at a time.
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
        if self._held:
            raise RuntimeError("this Device is held open already")
        _native.hold(self._path)
        self._held = True
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

    # ---- outcomes ------------------------------------------------------------

    def _keep(self, outcome: _native.Outcome) -> None:
        self.messages.extend(outcome.messages)
        self.warnings.extend(outcome.warnings)

    def _finish(self, operation: str, outcome: _native.Outcome, notes: Sequence[str] = ()) -> Result:
        self._keep(outcome)
        messages, warnings = tuple(outcome.messages), tuple(outcome.warnings)
        if outcome.confirmed:
            return Result(operation, messages, warnings, tuple(notes))
        if outcome.code == _native.EXIT_NO_DEVICE:
            where = f" at {self._path}" if self._path else ""
            raise DeviceNotFound(operation, f"{operation}: no Brixel reachable{where}", messages, warnings)
        raise NotConfirmed(operation, f"{operation}: not confirmed by the device", messages, warnings)

    # ---- settings ------------------------------------------------------------

    def _setting(self, setting: Setting, value: int) -> Result:
        return self._finish(setting.name.lower(), _native.setting(self._path, int(setting), int(value)))

    def set(self, setting: Setting | int, value: int | bool = 1) -> Result:
        """setBrixelState: any setting code with any value byte (0 to 255) the library sends."""
        code = int(setting)
        try:
            name = Setting(code).name.lower()
        except ValueError:
            name = f"set {code}"
        return self._finish(name, _native.set_state(self._path, code, int(value)))

    # ---- readback ------------------------------------------------------------

    def firmware_version(self) -> str:
        """getFwVersion: "BRIXEL FW Ver: major.minor"."""
        outcome, text = _native.firmware_version(self._path)
        self._finish("firmware_version", outcome)
        return text

    def state(self) -> bytes:
        """getBrixelState: the device's 60-byte state block."""
        outcome, data = _native.state_block(self._path)
        self._finish("state", outcome)
        return data

    def status(self) -> Status:
        """getVideoFormat: the video status report. NotConfirmed when the device
        has no report (no signal on the active input)."""
        outcome, text = _native.status(self._path)
        document = json.loads(text)
        if outcome.code == _native.EXIT_NO_DEVICE:
            self._finish("status", outcome)
        self._keep(outcome)
        if not document["report"]:
            raise NotConfirmed(
                "status",
                "status: no video report, the device has no signal to report on the active input",
                tuple(outcome.messages),
                tuple(outcome.warnings),
            )
        return Status(document)

    # ---- EDID ----------------------------------------------------------------

    def edid(self) -> bytes:
        """getEdid: the 256 bytes of the EDID the device shows the source."""
        outcome, data = _native.edid(self._path, False)
        self._finish("edid", outcome)
        return data

    def sink_edid(self) -> bytes:
        """getSinkEdid: the 256 bytes of the display's EDID."""
        outcome, data = _native.edid(self._path, True)
        self._finish("sink_edid", outcome)
        return data

    def write_edid(self, data: bytes | str, *, force: bool = False, fix_checksums: bool = False) -> Result:
        """setCustomEdid, once the EDID is checked.

        ``data`` is raw binary or any hex form brixelctl reads (hex dumps,
        edid-decode's output, C arrays); 128 bytes announcing no extension are
        padded to 256. ValueError lists every problem of the header and the
        checksums, and nothing is written, unless ``force``; ``fix_checksums``
        sets both checksum bytes first.
        """
        content = data.encode() if isinstance(data, str) else bytes(data)
        edid, _form, notes = _native.edid_from_content(content)
        if fix_checksums:
            edid, fixed = _native.fix_edid_checksums(edid)
            notes = [*notes, *fixed]
        problems = _native.edid_problems(edid)
        if problems and not force:
            raise ValueError(
                f"{len(problems)} problem(s) in the EDID, nothing written; force=True writes it as it is:\n  "
                + "\n  ".join(problems)
            )
        return self._finish("write_edid", _native.write_edid(self._path, edid), [*notes, *problems])

    def install_edid(self, entry: CatalogueEntry | EdidTable | int | str) -> Result:
        """changeCustomEdid: uploads a built-in EDID (an entry of CATALOGUE, its
        value or its name) and selects it. Takes about a second."""
        chosen = catalogue_entry(entry)
        return self._finish("install_edid", _native.install_edid(self._path, int(chosen.value)))

    # ---- InfoFrames ----------------------------------------------------------

    def set_avi_infoframe(self, frame: bytes | str) -> Result:
        """setAviIf: a whole AVI InfoFrame (2 to 17 bytes) as bytes or as text
        ("82:02:0D:..."), checked first, then activated."""
        text = infoframe_text(frame)
        notes = [] if checksum_holds(text) else ["the AVI InfoFrame's bytes do not add up to 0 modulo 256"]
        return self._finish("set_avi_infoframe", _native.set_avi_infoframe(self._path, text), notes)

    def set_hdr_infoframe(self, frame: bytes | str, fill_checksum: bool = False) -> Result:
        """setHdrIf: an HDR InfoFrame (2 to 31 bytes) as bytes or text, checked
        first, then activated; ``fill_checksum`` lets the library compute the
        fourth byte. hdr_infoframe() builds one from values."""
        text = infoframe_text(frame)
        notes = (
            [] if fill_checksum or checksum_holds(text) else ["the HDR InfoFrame's bytes do not add up to 0 modulo 256"]
        )
        return self._finish("set_hdr_infoframe", _native.set_hdr_infoframe(self._path, text, fill_checksum), notes)

    # ---- colour matrix -------------------------------------------------------

    @property
    def matrix(self) -> Matrix:
        """get3x / set3x: three rows of [offset, coefficient 1, 2, 3].

        Coefficients -4 to 4 (-4 reads back as +4), offsets -128 to 255.996
        (read back whole and unsigned)."""
        outcome, values = _native.matrix(self._path)
        self._finish("matrix", outcome)
        return _rows(values)

    @matrix.setter
    def matrix(self, rows: Sequence[Sequence[float]]) -> None:
        self.set_matrix(rows)

    def set_matrix(self, rows: Sequence[Sequence[float]]) -> Result:
        """set3x, the values checked first (ValueError names every one that does
        not fit); the Result's notes say what the device will hold differently."""
        values = _flat(rows)
        _native.check_matrix(values)
        notes = _native.matrix_holding_warnings(values)
        return self._finish("set_matrix", _native.set_matrix(self._path, values), notes)

    def reset_matrix(self) -> Result:
        """Sends the default matrix (reset3x's) to the device."""
        return self.set_matrix(default_matrix())
