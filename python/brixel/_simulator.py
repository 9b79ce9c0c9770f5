# SPDX-License-Identifier: MIT
"""The simulated Brixel, so that scripts are tried without hardware."""

from __future__ import annotations

from types import TracebackType
from typing import Iterable, NamedTuple

from . import _native
from ._device import Device


class FaultKind(NamedTuple):
    """A fault the simulated devices can be given: its name, what it does, and
    whether it takes ``@N`` (frame N only, counted from 0)."""

    name: str
    description: str
    at_frame: bool


#: The most simulated devices attached at once, as brixelctl's --devices takes them.
MAX_DEVICES: int = _native.MAX_SIMULATED_DEVICES

#: The fault kinds, as brixelctl's --fault takes them.
FAULT_KINDS: tuple[FaultKind, ...] = tuple(FaultKind(*kind) for kind in _native.fault_kinds())


class Simulator:
    """Simulated Brixels in place of USB for the ``with`` block: every Device
    reaches them. Each starts new and lives in memory; ``faults`` are entries
    of FAULT_KINDS or their names, with ``@N`` where they take it ("noReply@2"), given to every
    device. One simulator at a time; ValueError for an unknown fault.
    """

    def __init__(self, devices: int = 1, faults: Iterable[str | FaultKind] = ()) -> None:
        if not 0 <= devices <= MAX_DEVICES:
            raise ValueError(f"devices: 0 to {MAX_DEVICES}, not {devices}")
        self._devices = devices
        self._faults = [f.name if isinstance(f, FaultKind) else f for f in faults]
        self.paths: list[str] = []
        self.messages: list[str] = []
        self.warnings: list[str] = []

    def __enter__(self) -> Simulator:
        self.paths = _native.start_simulator(self._devices, self._faults)
        return self

    def __exit__(
        self,
        kind: type[BaseException] | None,
        value: BaseException | None,
        traceback: TracebackType | None,
    ) -> None:
        # What a device still held open printed and warned as it closed.
        outcome = _native.stop_simulator()
        self.messages.extend(outcome.messages)
        self.warnings.extend(outcome.warnings)
        self.paths = []

    def device(self, number: int = 1) -> Device:
        """The simulated device attached as number ``number`` (1 first)."""
        if not 1 <= number <= len(self.paths):
            raise IndexError(f"the simulator has {len(self.paths)} device(s), not a number {number}")
        return Device(self.paths[number - 1])
