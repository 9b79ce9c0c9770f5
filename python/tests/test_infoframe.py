# SPDX-License-Identifier: MIT
"""AVI and HDR InfoFrames from bytes or text, and the HDR InfoFrame from values."""

from __future__ import annotations

import pytest

import brixel

AVI = "82:02:0D:87:40:A8:00:00:00:00:00:00:00:00:00:00:00"


def test_avi_infoframe_as_text_or_bytes(dev: brixel.Device) -> None:
    result = dev.set_avi_infoframe(AVI)
    assert result.messages == ("AVI values written...",)
    assert result.notes == ()
    from_bytes = dev.set_avi_infoframe(bytes.fromhex(AVI.replace(":", "")))
    assert from_bytes.messages == ("AVI values written...",)


def test_avi_infoframe_whose_checksum_does_not_hold_is_sent_with_a_note(dev: brixel.Device) -> None:
    result = dev.set_avi_infoframe("82:02:0D:00:40")
    assert result.notes == (
        "the AVI InfoFrame's bytes do not add up to 0 modulo 256; a display may drop it for its checksum",)


def test_infoframe_text_is_checked_before_the_device(dev: brixel.Device) -> None:
    with pytest.raises(ValueError, match="not usable") as raised:
        dev.set_avi_infoframe("82:02:G0")
    assert "7" in str(raised.value)
    with pytest.raises(ValueError):
        dev.set_avi_infoframe(bytes(18))
    with pytest.raises(ValueError):
        dev.set_hdr_infoframe(bytes(32))
    with pytest.raises(TypeError):
        dev.set_avi_infoframe(17)  # type: ignore[arg-type]


def test_hdr_infoframe_from_values() -> None:
    frame = brixel.hdr_infoframe(eotf=brixel.Eotf.PQ, primaries="BT2020", max_cll=1000, max_fall=400)
    assert isinstance(frame, bytes)
    assert frame.hex(":") == (
        "87:01:1a:91:02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:"
        "42:40:e8:03:32:00:e8:03:90:01"
    )
    assert brixel.checksum_holds(frame)


def test_hdr_infoframe_from_points() -> None:
    frame = brixel.hdr_infoframe(
        eotf=brixel.Eotf.HLG,
        primaries=[(0.64, 0.33), (0.30, 0.60), (0.15, 0.06)],
        white_point=(0.3127, 0.3290),
        max_luminance=100,
        min_luminance=0.0001,
    )
    assert frame[4] == 3
    assert frame[6:10] == bytes([0x98, 0x3A, 0x30, 0x75])  # green 15000, 30000
    assert frame[14:18] == bytes([0x00, 0x7D, 0x74, 0x40])  # red 32000, 16500
    assert frame[22:26] == bytes([0x64, 0x00, 0x01, 0x00])
    assert frame == brixel.hdr_infoframe(brixel.Eotf.HLG, "bt709", "d65", 100, 0.0001)


def test_hdr_infoframe_names_every_value_that_does_not_fit() -> None:
    with pytest.raises(ValueError) as raised:
        brixel.hdr_infoframe(max_cll=70000, white_point=(1.5, 0.3))
    text = str(raised.value)
    assert "MaxCLL (cd/m2) 70000 is outside 0 to 65535" in text
    assert "white point x 1.5 is outside 0 to 1" in text
    with pytest.raises(ValueError, match="primaries"):
        brixel.hdr_infoframe(primaries="rec601")
    with pytest.raises(ValueError):
        brixel.hdr_infoframe(eotf=7)


def test_hdr_infoframe_sent_as_built_or_with_the_checksum_filled(dev: brixel.Device) -> None:
    frame = brixel.hdr_infoframe()
    assert dev.set_hdr_infoframe(frame).messages == ("Infoframe values written...",)
    unfilled = frame[:3] + b"\x00" + frame[4:]
    assert dev.set_hdr_infoframe(unfilled, fill_checksum=True).notes == ()
    assert dev.set_hdr_infoframe(brixel.infoframe_text(unfilled)).notes == (
        "the HDR InfoFrame's bytes do not add up to 0 modulo 256; a display may drop it for its checksum",
    )
