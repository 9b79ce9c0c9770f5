# SPDX-License-Identifier: MIT
"""One run of an operation of the catalogue, and what its outcome means in Python."""

from __future__ import annotations

from typing import Any

from . import _native
from ._errors import DeviceNotFound, NotConfirmed, Refused, Result


def camel_case(name: str) -> str:
    """``fix_checksums`` as the catalogue names its inputs: ``fixChecksums``."""
    head, *rest = name.split("_")
    return head + "".join(word[:1].upper() + word[1:] for word in rest)


def snake_case(name: str) -> str:
    """``fixChecksums`` as a Python keyword: ``fix_checksums``."""
    return "".join("_" + c.lower() if c.isupper() else c for c in name)


def refusal_text(outcome: _native.Outcome) -> str:
    """The refusal as a Python caller reads it: an override named as its keyword."""
    if outcome.override:
        return f"{outcome.refusal}; {snake_case(outcome.override)}=True writes it as it is:\n  " + "\n  ".join(
            outcome.problems
        )
    if outcome.refusal:
        return f"{outcome.refusal}:\n  " + "\n  ".join(outcome.problems)
    return outcome.error or "refused"


def outcome_result(operation: str, outcome: _native.Outcome, where: str = "") -> Result:
    """A Result when the device confirmed (or was not asked); else the Error it is."""
    document: dict[str, Any] = outcome.document
    messages, warnings = tuple(outcome.messages), tuple(outcome.warnings)
    if outcome.refused:
        raise Refused(operation, refusal_text(outcome), tuple(outcome.problems), document)
    if outcome.confirmed or outcome.reach == "notAsked":
        return Result(operation, messages, warnings, tuple(outcome.notes), tuple(outcome.problems), document)
    if outcome.code == _native.EXIT_NO_DEVICE:
        at = f" at {where}" if where else ""
        raise DeviceNotFound(operation, f"{operation}: no Brixel reachable{at}", messages, warnings, document)
    if outcome.reach == "silent":
        raise NotConfirmed(operation, f"{operation}: the device did not answer", messages, warnings, document)
    raise NotConfirmed(operation, f"{operation}: not confirmed by the device", messages, warnings, document)


def inputs_of(given: dict[str, Any]) -> dict[str, Any]:
    """Keyword arguments as the catalogue's inputs, those left as None not given."""
    return {camel_case(name): value for name, value in given.items() if value is not None}
