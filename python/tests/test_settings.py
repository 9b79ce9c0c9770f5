# SPDX-License-Identifier: MIT
"""Each setting function by name, its value as the device keeps it (the state
block holds setting code k's value at byte k), and the raw setting write."""

from __future__ import annotations

import pytest

import brixel

# method, argument, setting code, the byte the device keeps
SETTINGS = [
    ("set_active_port", 3, 0, 3),
    ("set_auto_switch", True, 1, 1),
    ("set_scaling", 2, 2, 2),
    ("set_hdcp_version", 3, 3, 3),
    ("set_edid_mode", 2, 5, 2),
    ("set_sw_priority", True, 13, 1),
    ("set_custom_avi", True, 15, 1),
    ("set_auto_fill_crc", True, 16, 1),
    ("set_custom_hdr", True, 17, 1),
    ("set_avi_disable", True, 19, 1),
    ("set_logo_led", True, 22, 1),
    ("set_csc", 4, 40, 4),
    ("set_deep_color", 3, 41, 3),
    ("set_down_csc", 1, 42, 1),
    ("set_ds_deep_color", 4, 43, 4),
    ("set3x_en", True, 45, 1),
    ("set_bt2020_force", 2, 48, 2),
    ("set_preset4k30", True, 49, 1),
    ("set_preset4k60", True, 50, 1),
    ("set_preset4k30_mode", 3, 51, 3),
    ("set_preset4k60_mode", 2, 52, 2),
    ("set_ignore_edid", True, 54, 1),
    ("set_hdr_disable", True, 56, 1),
    ("set_htpc", True, 57, 1),
]


@pytest.mark.parametrize("method,argument,code,byte", SETTINGS)
def test_each_setting_reaches_the_device(
    dev: brixel.Device, method: str, argument: int, code: int, byte: int
) -> None:
    before = dev.state()
    result = getattr(dev, method)(argument)
    assert isinstance(result, brixel.Result)
    after = dev.state()
    assert len(after) == 60
    assert after[code] == byte
    assert [k for k in range(58) if before[k] != after[k]] in ([code], [])
    if isinstance(argument, bool):
        getattr(dev, method)(False)
        assert dev.state()[code] == 0


def test_every_setting_function_has_its_method() -> None:
    methods = sorted(
        name for name, value in vars(brixel.Device.__mro__[1]).items() if callable(value) and not name.startswith("_")
    )
    assert methods == sorted([row[0] for row in SETTINGS] + ["factory_reset", "reset_brixel"])


def test_enumerations_hold_the_values_the_device_takes() -> None:
    assert [(m.name, m.value) for m in brixel.Port] == [("PORT_1", 1), ("PORT_2", 2), ("PORT_3", 3), ("PORT_4", 4)]
    assert [(m.name, m.value) for m in brixel.Hdcp] == [("AUTO", 0), ("V1_4", 2), ("V2_2", 3)]
    assert [(m.name, m.value) for m in brixel.Depth] == [
        ("BITS_8", 0), ("BITS_10", 1), ("BITS_12", 2), ("BITS_16", 3), ("SAME", 4)]
    assert [(m.name, m.value) for m in brixel.Preset] == [
        ("RGB8", 0), ("YCBCR444_8", 1), ("YCBCR422_12", 2), ("YCBCR420_10", 3)]
    assert brixel.Setting.SCALING == 2 and brixel.Setting.MATRIX_ENABLE == 45 and brixel.Setting.HTPC == 57
    assert len(brixel.Setting) == 27
    assert brixel.ColourFormat.YCBCR420 == 4 and brixel.Bt2020.AUTO == 2 and brixel.EdidMode.SINK == 2
    assert brixel.Scaling.UP == 3 and brixel.FactoryReset.ALL == 1
    assert [m.value for m in brixel.EdidTable] == list(range(2, 26))
    assert brixel.EdidTable.EDID_1080I60_STEREO == 25


def test_an_enumeration_member_and_its_number_are_the_same(dev: brixel.Device) -> None:
    dev.set_scaling(brixel.Scaling.DOWN)
    assert dev.state()[2] == 2
    dev.set_csc(brixel.ColourFormat.RGB)
    assert dev.state()[40] == 1


def test_a_value_the_argument_has_no_name_for_is_refused_before_the_device(dev: brixel.Device) -> None:
    before = dev.state()
    with pytest.raises(ValueError):
        dev.set_active_port(7)
    with pytest.raises(ValueError):
        dev.set_hdcp_version(1)
    assert dev.state() == before


def test_the_active_port_picks_the_source_the_report_shows(dev: brixel.Device) -> None:
    assert dev.status().input.value == "3840x2160p60"
    dev.set_active_port(brixel.Port.PORT_2)
    assert dev.status().input.value == "1920x1080p60"


def test_set_sends_any_code_and_value_byte(dev: brixel.Device) -> None:
    result = dev.set(brixel.Setting.LOGO_LED, 0)
    assert result.operation == "set"
    assert dev.state()[22] == 0
    assert dev.set(0x2C, 7).document["code"] == 44
    assert dev.state()[0x2C] == 7


def test_set_refuses_what_the_library_never_sends(dev: brixel.Device) -> None:
    before = dev.state()
    with pytest.raises(ValueError, match="refuses"):
        dev.set(brixel.Setting.HDCP, 1)
    with pytest.raises(ValueError, match="0-255"):
        dev.set(2, 256)
    assert dev.state() == before


def test_factory_reset_restores_the_settings(dev: brixel.Device) -> None:
    fresh = dev.state()
    dev.set_scaling(3)
    dev.set_htpc(True)
    dev.factory_reset(brixel.FactoryReset.SETTINGS)
    assert dev.state() == fresh


def test_reset_brixel_is_confirmed_and_changes_no_setting(dev: brixel.Device) -> None:
    before = dev.state()
    assert dev.reset_brixel().operation == "reset"
    assert dev.state() == before
