# SPDX-License-Identifier: MIT
"""Every test runs against simulated devices in memory, new for each test."""

from __future__ import annotations

from typing import Iterator

import pytest

import brixel


@pytest.fixture
def sim() -> Iterator[brixel.Simulator]:
    with brixel.Simulator() as simulator:
        yield simulator


@pytest.fixture
def dev(sim: brixel.Simulator) -> Iterator[brixel.Device]:
    with brixel.Device() as device:
        yield device
