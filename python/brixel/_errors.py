"""What a device call comes to: a Result when the device confirmed, else an Error."""

from __future__ import annotations

from dataclasses import dataclass


@dataclass(frozen=True)
class Result:
    """A call the device confirmed.

    ``messages`` are the library's console lines and ``warnings`` its warnings
    during the call; ``notes`` are the module's own remarks on what was sent
    (a checksum that does not hold, what the device will hold of a matrix).
    """

    operation: str
    messages: tuple[str, ...] = ()
    warnings: tuple[str, ...] = ()
    notes: tuple[str, ...] = ()


class Error(Exception):
    """A call the device did not confirm, with what the library printed and warned."""

    def __init__(self, operation: str, text: str, messages: tuple[str, ...], warnings: tuple[str, ...]) -> None:
        super().__init__(text)
        self.operation = operation
        self.messages = messages
        self.warnings = warnings


class DeviceNotFound(Error):
    """No Brixel was reachable: none found, or it could not be opened."""


class NotConfirmed(Error):
    """A Brixel was reached and did not confirm the call."""
