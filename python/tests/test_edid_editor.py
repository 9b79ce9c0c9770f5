# SPDX-License-Identifier: MIT
"""brixel.Edid: EDIDs made from others by the editor's edits, checked against
them, compared, and written to the device and read back."""

from __future__ import annotations

import inspect
import shutil

import pytest

import brixel
from brixel import _native
from brixel._run import camel_case

MULTI = brixel.catalogue_entry("1080p60-multi").data  # built-in EDID 20
STEREO = brixel.catalogue_entry("1080p60-hdr-stereo").data  # 21: two-channel audio only, and HDR
EDID_DECODE = shutil.which("edid-decode") is not None


def test_every_edit_of_the_catalogue_is_a_keyword() -> None:
    inputs = next(i for name, _s, _c, i in _native.operations() if name == "edid derive")
    edits = {name for name, _required, _help in inputs} - {"from", "content", "write"}
    keywords = set(inspect.signature(brixel.Edid).parameters) - {"data"}
    assert {camel_case(k) for k in keywords} == edits


def test_the_display_without_hdr_renamed_written_and_read_back(dev: brixel.Device) -> None:
    tv = brixel.Edid(dev.sink_edid())
    assert tv.changes == [] and tv.check().passed
    lounge = tv.edit(drop="hdr", name="Lounge")
    assert lounge.changes == ["Display name: Simulated TV \u2192 Lounge", "CTA: HDR Static Metadata Data Block removed"]
    checks = lounge.check()
    assert checks.passed and checks.model.new == ()
    assert (checks.edid_decode is not None) == EDID_DECODE
    result = dev.write_edid(lounge)
    assert result.messages == ("EDID custom written...",)
    assert result.document["readBack"] is True
    assert dev.edid() == bytes(lounge)
    assert brixel.Edid(dev.sink_edid()).diff(dev.edid()) == lounge.changes


def test_edits_add_up_and_replace() -> None:
    first = brixel.Edid(MULTI, drop=["audio"], name="One", add_vic=17)
    again = first.edit(drop="3d", name="Two", add_vic=[18])
    assert again.changes == brixel.Edid(MULTI, drop=["audio", "3d"], name="Two", add_vic=[17, 18]).changes
    assert "Display name: BRIXEL \u2192 Two" in again.changes
    assert "Video: VIC 17 (720x576p50) added" in again.changes and "Video: VIC 18 (720x576p50) added" in again.changes
    # The first is as it was.
    assert "Display name: BRIXEL \u2192 One" in first.changes


def test_audio_from_another_edid_and_the_difference_between_two() -> None:
    stereo = brixel.Edid(STEREO)
    with_multi = stereo.edit(audio_from=brixel.Edid(MULTI))
    assert with_multi.changes[0] == "Audio: LPCM, 2 channels, 32/44.1/48 kHz, 16/20/24 bit removed"
    # Audio and HDR tell the two built-in EDIDs apart: the audio edit changed the one.
    assert [c for c in stereo.diff(MULTI) if not c.startswith(("HDR", "CTA: HDR"))] == with_multi.changes
    assert stereo.diff(stereo) == []
    assert brixel.Edid(MULTI.hex(" ")).diff(MULTI) == []


def test_the_editors_refusals_are_raised_with_its_sentences() -> None:
    with pytest.raises(brixel.Refused) as raised:
        brixel.Edid(MULTI, preferred=200)
    assert raised.value.problems == (
        "VIC 200 (7680x4320p100) is not in the Video Data Block; add it with --add-vic to make it preferred.",
    )
    with pytest.raises(ValueError, match="The display name"):
        brixel.Edid(MULTI, name="a name far too long")
    with pytest.raises(ValueError, match="128 or 256 bytes"):
        brixel.Edid(bytes(100))


@pytest.mark.skipif(not EDID_DECODE, reason="edid-decode is not installed")
def test_a_result_edid_decode_finds_more_wrong_with_is_held_back(dev: brixel.Device) -> None:
    before = dev.edid()
    held = brixel.Edid(MULTI, add_vic=97)  # 594 MHz, where the range limits say 160
    checks = held.check()
    assert not checks.passed and checks.model.passed
    assert checks.edid_decode is not None and len(checks.edid_decode.new) == 1
    assert held.problems == ["edid-decode --check: " + checks.edid_decode.new[0]]
    with pytest.raises(brixel.Refused, match="force=True"):
        bytes(held)
    with pytest.raises(brixel.Refused):
        dev.write_edid(held)
    assert dev.edid() == before
    dev.write_edid(held, force=True)
    forced = brixel.Edid(held, force=True)
    assert dev.edid() == bytes(forced)
    assert forced.notes[-1].startswith("FORCED: the result is given")


def test_a_read_back_that_differs_is_not_confirmed() -> None:
    # Frames 0 to 31 carry the EDID, 32 commits, 33 on read it back: the 18th comes back wrong.
    with brixel.Simulator(faults=["wrongEcho@34"]), brixel.Device() as dev:
        with pytest.raises(brixel.NotConfirmed, match="read back differs from what was written, first at byte 16"):
            dev.write_edid(brixel.Edid(MULTI, serial=42))


def test_an_edid_is_not_mended_by_fix_checksums(dev: brixel.Device) -> None:
    with pytest.raises(TypeError):
        dev.write_edid(brixel.Edid(MULTI), fix_checksums=True)
