# SPDX-License-Identifier: MIT
"""The colour matrix as nested lists: three rows of an offset and three coefficients."""

from __future__ import annotations

import pytest

import brixel

DEFAULT = [
    [0.0, 1.1639404296875, 0.0, 1.79296875],
    [0.0, 1.1639404296875, -0.212890625, -0.532958984375],
    [0.0, 1.1639404296875, 2.1119384765625, 0.0],
]


def test_a_new_device_holds_the_default_matrix(dev: brixel.Device) -> None:
    assert dev.matrix == DEFAULT


def test_default_matrix_is_what_reset3x_fills() -> None:
    assert brixel.default_matrix() == [[0.0, 1.164, 0.0, 1.793], [0.0, 1.164, -0.213, -0.533], [0.0, 1.164, 2.112, 0.0]]


def test_matrix_written_reads_back(dev: brixel.Device) -> None:
    rows = [[16.0, 1.0, 0.5, -0.25], [0.0, 0.0, 1.0, 0.0], [-16.0, 0.0, 0.0, 3.5]]
    result = dev.set_matrix(rows)
    assert result.messages == ("Matrix values written...",)
    assert result.notes == ("offset3: -16 will read back as 240 (the device gives back only the whole part of an offset, unsigned)",)
    assert dev.matrix == [[16.0, 1.0, 0.5, -0.25], [0.0, 0.0, 1.0, 0.0], [240.0, 0.0, 0.0, 3.5]]


def test_matrix_property_writes(dev: brixel.Device) -> None:
    dev.matrix = [[0.0, 1.0, 0.0, 0.0], [0.0, 0.0, 1.0, 0.0], [0.0, 0.0, 0.0, 1.0]]
    assert dev.matrix == [[0.0, 1.0, 0.0, 0.0], [0.0, 0.0, 1.0, 0.0], [0.0, 0.0, 0.0, 1.0]]


def test_reset_matrix_sends_the_default(dev: brixel.Device) -> None:
    dev.matrix = [[0.0, 1.0, 0.0, 0.0], [0.0, 0.0, 1.0, 0.0], [0.0, 0.0, 0.0, 1.0]]
    assert dev.reset_matrix().messages == ("Matrix values written...",)
    assert dev.matrix == DEFAULT


def test_every_value_that_does_not_fit_is_named_before_the_device(dev: brixel.Device) -> None:
    with pytest.raises(ValueError) as raised:
        dev.matrix = [[300.0, 5.0, 0.0, 0.0], [0.0, 0.0, 1.0, 0.0], [0.0, 0.0, 0.0, float("nan")]]
    text = str(raised.value)
    assert "offset1: 300 is outside -128 to 255.996, which its 16-bit field holds" in text
    assert "coef11: 5 is outside -4 to 4, which its 16-bit field holds" in text
    assert "coef33: 'nan' is not a number" in text
    assert dev.matrix == DEFAULT


def test_a_matrix_is_three_rows_of_four(dev: brixel.Device) -> None:
    with pytest.raises(ValueError, match="3 rows of 4"):
        dev.set_matrix([[0.0, 1.0, 0.0], [0.0, 0.0, 1.0], [0.0, 0.0, 0.0]])


def test_matrix_enable_is_a_setting(dev: brixel.Device) -> None:
    dev.set3x_en(True)
    assert dev.state()[45] == 1
    dev.set3x_en(False)
    assert dev.state()[45] == 0
