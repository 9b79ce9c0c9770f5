# SPDX-License-Identifier: MIT
"""What a device call comes to: a Result when the device confirmed, else an Error."""

from __future__ import annotations

from dataclasses import dataclass, field
from typing import Any


@dataclass(frozen=True)
class Result:
    """A call the device confirmed.

    ``messages`` are the library's console lines and ``warnings`` its warnings
    during the call; ``notes`` are remarks on what was sent (a checksum that
    does not hold, what the device will hold of a matrix), ``problems`` what
    was sent despite them when forced. ``document`` is the
    whole result, as ``brixelctl --json`` and the panel's API give it.
    """

    operation: str
    messages: tuple[str, ...] = ()
    warnings: tuple[str, ...] = ()
    notes: tuple[str, ...] = ()
    problems: tuple[str, ...] = ()
    document: dict[str, Any] = field(default_factory=dict, compare=False, repr=False)


class Error(Exception):
    """A call the device did not confirm, with what the library printed and warned."""

    def __init__(
        self,
        operation: str,
        text: str,
        messages: tuple[str, ...],
        warnings: tuple[str, ...],
        document: dict[str, Any] | None = None,
    ) -> None:
        super().__init__(text)
        self.operation = operation
        self.messages = messages
        self.warnings = warnings
        self.document: dict[str, Any] = document or {}


class DeviceNotFound(Error):
    """No Brixel was reachable: none found, or it could not be opened."""


class NotConfirmed(Error):
    """A Brixel was reached and did not confirm the call (or did not answer)."""


class Refused(ValueError):
    """What was given cannot be sent: every problem is listed, nothing was sent."""

    def __init__(self, operation: str, text: str, problems: tuple[str, ...], document: dict[str, Any]) -> None:
        super().__init__(text)
        self.operation = operation
        self.problems = problems
        self.document = document
