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
    result = dev.set_avi_infoframe("82:02:0D:00:40:A8:00:00:00:00:00:00:00:00:00:00:00")
    assert result.notes == ("The checksum is 0x00, but the frame's bytes need 0x87.",)
    assert result.document["decoded"]["checksum"] == {"value": 0, "valid": False}


def test_what_a_sent_frame_means_and_contradicts(dev: brixel.Device) -> None:
    decoded = dev.set_avi_infoframe(AVI).document["decoded"]
    assert decoded["fields"]["colourFormat"] == {"code": 2, "name": "YCbCr 4:4:4"}
    assert decoded["fields"]["colorimetry"]["name"] == "BT.709 YCbCr"
    no_light = brixel.hdr_infoframe(max_luminance=0, min_luminance=0)
    assert dev.set_hdr_infoframe(no_light).notes == (
        "The EOTF is PQ but the frame gives no luminance at all: mastering luminance, MaxCLL and MaxFALL are all 0.",
    )
    assert dev.set_hdr_infoframe(AVI).notes[0] == (
        "The frame's type 0x82 is not the HDR InfoFrame's (0x87); it goes out as the HDR InfoFrame all the same."
    )


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
    filled = dev.set_hdr_infoframe(unfilled, fill_checksum=True)
    assert filled.notes == ()
    assert filled.document["decoded"]["checksum"] == {"value": frame[3], "valid": True}
    assert dev.set_hdr_infoframe(brixel.infoframe_text(unfilled)).notes == (
        f"The checksum is 0x00, but the frame's bytes need 0x{frame[3]:02X}.",
    )


HDR = "87:01:1a:91:02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:42:40:e8:03:32:00:e8:03:90:01"


@pytest.mark.parametrize("data", [HDR, HDR.replace(":", " "), bytes.fromhex(HDR.replace(":", "")), HDR.encode()],
                         ids=["colons", "spaces", "raw", "text as bytes"])
def test_decode_infoframe_from_bytes_or_text(data: bytes | str) -> None:
    frame = brixel.decode_infoframe(data)
    assert (frame.type, frame.type_code, frame.version, frame.length) == ("HDR", 0x87, 1, 26)
    assert (frame.checksum, frame.checksum_valid, frame.problems) == (0x91, True, ())
    assert frame["eotf"] == {"code": 2, "name": "PQ (SMPTE ST 2084)"}
    assert (frame["maxCll"], frame["maxFall"], frame["maxMasteringLuminance"]) == (1000, 400, 1000)
    assert frame["whitePoint"] == [0.3127, 0.329]
    assert str(frame).splitlines()[0] == "HDR InfoFrame (Dynamic Range and Mastering): " + frame.summary
    assert frame.as_dict()["fields"] == frame.fields


def test_decode_infoframe_gives_the_problems_and_refuses_what_is_no_infoframe() -> None:
    wrong = brixel.decode_infoframe("82:02:0d:00:40:a8:00:00:00:00:00:00:00:00:00:00:00")
    assert wrong.problems == ("The checksum is 0x00, but the frame's bytes need 0x87.",)
    assert wrong["vic"] == 0 and wrong["videoFormat"] is None
    with pytest.raises(brixel.Refused, match="fewer than the 4"):
        brixel.decode_infoframe(b"\x82\x02")
    with pytest.raises(ValueError, match="no InfoFrame"):
        brixel.decode_infoframe("hello")
    with pytest.raises(TypeError):
        brixel.decode_infoframe(17)  # type: ignore[arg-type]
