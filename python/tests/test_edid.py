# SPDX-License-Identifier: MIT
"""EDIDs: read, written after their checks, and the built-in catalogue."""

from __future__ import annotations

import pytest

import brixel

HEADER = bytes([0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00])


def blocks_sum_to_zero(edid: bytes) -> bool:
    return sum(edid[:128]) % 256 == 0 and sum(edid[128:]) % 256 == 0


def test_edid_and_sink_edid_are_256_bytes_of_sound_edid(dev: brixel.Device) -> None:
    for edid in (dev.edid(), dev.sink_edid()):
        assert isinstance(edid, bytes)
        assert len(edid) == 256
        assert edid[:8] == HEADER
        assert blocks_sum_to_zero(edid)


def test_the_catalogue_lists_24_sound_edids() -> None:
    assert len(brixel.CATALOGUE) == 24
    assert [e.value for e in brixel.CATALOGUE] == list(range(2, 26))
    first = brixel.CATALOGUE[0]
    assert first.value == brixel.EdidTable.EDID_2160P60_HDR_MULTI
    assert first.name == "2160p60-hdr-multi"
    assert first.description.startswith("2160p60 preferred")
    assert len({e.name for e in brixel.CATALOGUE}) == 24
    assert len({e.data for e in brixel.CATALOGUE}) == 24
    for entry in brixel.CATALOGUE:
        assert len(entry.data) == 256 and entry.data[:8] == HEADER and blocks_sum_to_zero(entry.data), entry.name


@pytest.mark.parametrize("choice", ["entry", "value", "enum", "name"])
def test_install_edid_uploads_and_selects_a_built_in_edid(dev: brixel.Device, choice: str) -> None:
    entry = brixel.CATALOGUE[18]
    assert entry.name == "1080p60-multi"
    given = {"entry": entry, "value": 20, "enum": brixel.EdidTable.EDID_1080P60_MULTI, "name": "1080P60-Multi"}[choice]
    result = dev.install_edid(given)
    assert result.messages == ("EDID custom written...",)
    assert dev.edid() == entry.data


def test_install_edid_refuses_what_names_no_entry(dev: brixel.Device) -> None:
    for wrong in (1, 26, "no-such-edid"):
        with pytest.raises(ValueError, match="names no built-in EDID"):
            dev.install_edid(wrong)


def test_write_edid_writes_what_reads_back(dev: brixel.Device) -> None:
    edid = bytearray(brixel.CATALOGUE[5].data)
    edid[0x10] = 0x2A  # another week of manufacture
    edid[127] = (edid[127] - 0x2A + brixel.CATALOGUE[5].data[0x10]) % 256
    result = dev.write_edid(bytes(edid))
    assert result.messages == ("EDID custom written...",)
    assert dev.edid() == bytes(edid)


def test_write_edid_names_every_problem_and_writes_nothing(dev: brixel.Device) -> None:
    before = dev.edid()
    edid = bytearray(brixel.CATALOGUE[0].data)
    edid[0] = 0x12
    edid[200] ^= 0xFF
    with pytest.raises(ValueError) as raised:
        dev.write_edid(bytes(edid))
    text = str(raised.value)
    assert text.startswith("data: 3 problems, nothing written; force=True writes it as it is")
    assert "header" in text
    assert dev.edid() == before


def test_write_edid_fixes_checksums_or_forces_when_asked(dev: brixel.Device) -> None:
    edid = bytearray(brixel.CATALOGUE[2].data)
    edid[200] ^= 0x01
    result = dev.write_edid(bytes(edid), fix_checksums=True)
    assert len(result.notes) == 1
    written = dev.edid()
    assert written[:255] == bytes(edid[:255]) and blocks_sum_to_zero(written)

    edid[0x10] ^= 0x01
    forced = dev.write_edid(bytes(edid), force=True)
    assert len(forced.problems) == 2
    assert dev.edid() == bytes(edid)


def test_write_edid_takes_hex_text_and_pads_a_lone_base_block(dev: brixel.Device) -> None:
    base = bytearray(brixel.CATALOGUE[0].data[:128])
    base[126] = 0  # no extension
    base[127] = (base[127] + brixel.CATALOGUE[0].data[126]) % 256
    text = "\n".join(" ".join(f"{b:02x}" for b in base[k : k + 16]) for k in range(0, 128, 16))
    result = dev.write_edid(text)
    assert any("padded" in note or "extension" in note for note in result.notes)
    written = dev.edid()
    assert written[:128] == bytes(base)


def test_write_edid_refuses_a_size_the_device_does_not_take(dev: brixel.Device) -> None:
    with pytest.raises(ValueError):
        dev.write_edid(bytes(100))
