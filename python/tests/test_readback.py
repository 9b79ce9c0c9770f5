# SPDX-License-Identifier: MIT
"""Firmware version, state block and the status report, the report with the
values brixelctl --json status gives."""

from __future__ import annotations

import json
import os
import subprocess
from pathlib import Path

import pytest

import brixel


def test_firmware_version(dev: brixel.Device) -> None:
    assert dev.firmware_version() == "BRIXEL FW Ver: 1.5"


def test_state_block_ends_with_the_firmware_version(dev: brixel.Device) -> None:
    state = dev.state()
    assert len(state) == 60
    assert state[58:] == bytes([1, 5])


def test_status_lines_and_their_numbers(dev: brixel.Device) -> None:
    status = dev.status()
    assert status.report is True
    assert len(status.fields) == 20
    assert status.input.text == "Input : 3840x2160p60"
    assert status.input.value == "3840x2160p60"
    assert status.input.warning is False
    assert (status.input["width"], status.input["height"], status.input["rate"]) == (3840, 2160, 60)
    assert status.fields["inPixelClock"].get("pixelClockKhz") == 371250
    assert "Input : 3840x2160p60" in str(status).splitlines()
    assert status.in_pixel_clock is status.fields["inPixelClock"]
    assert "in_color_space" in dir(status)
    assert repr(status) == "Status(report=True, input='3840x2160p60', signal='" + status.signal.description + "')"
    with pytest.raises(AttributeError):
        status.nothing  # type: ignore[attr-defined]  # noqa: B018


def test_status_infoframes_decoded_and_the_signal(dev: brixel.Device) -> None:
    status = dev.status()
    assert status.signal == brixel.Signal(
        "HDR10", "3840x2160p60 YCbCr 4:2:0 10-bit BT.2020 limited, HDR10 1000 cd/m\u00b2")
    avi = status.avi_if_hex
    assert avi.text == "AVI InfoFrame: " + avi.value
    assert avi.value.startswith("82:02:0d:")
    assert avi.decoded is not None and avi.decoded.type == "AVI"
    assert avi.decoded["videoFormat"] == "3840x2160p60 16:9"
    assert status.spd_if_hex.decoded is not None and status.spd_if_hex.decoded["vendorName"] == "Brixsim"
    assert avi.decoded.lines == () and str(avi.decoded) == avi.decoded.summary
    full = brixel.decode_infoframe(bytes(avi["bytes"]))
    assert full.fields == avi.decoded.fields and str(full).splitlines()[0] == "AVI InfoFrame: " + avi.decoded.summary
    assert status.vs_if_hex1.text == "" and status.vs_if_hex1.decoded is None
    assert status.input.decoded is None and "decoded" not in status.input.numbers


def brixelctl_status(tmp_path: Path, *commands: list[str]) -> dict[str, object]:
    tool = os.environ.get("BRIXELCTL")
    if not tool:
        pytest.skip("BRIXELCTL names no brixelctl to compare with")
    state = str(tmp_path / "state.json")
    for command in commands:
        subprocess.run([tool, "--simulate", "--state-file", state, "-q", *command], check=True, capture_output=True)
    out = subprocess.run(
        [tool, "--simulate", "--state-file", state, "--json", "status"], check=True, capture_output=True, text=True
    ).stdout
    document: dict[str, object] = json.loads(out)
    return document


@pytest.mark.parametrize("port", [1, 2, 3])
def test_status_gives_what_brixelctl_json_status_gives(dev: brixel.Device, tmp_path: Path, port: int) -> None:
    tool = brixelctl_status(tmp_path, ["--fresh", "port", str(port)])
    dev.set_active_port(port)
    mine = dev.status().as_dict()
    assert mine["report"] == tool["report"] is True
    assert mine["fields"] == tool["fields"]
    assert mine["signal"] == tool["signal"]


def test_no_signal_on_the_active_input_is_not_confirmed(dev: brixel.Device) -> None:
    dev.set_active_port(4)
    with pytest.raises(brixel.NotConfirmed, match="no video report"):
        dev.status()


def test_a_type_checker_knows_the_report_lines(tmp_path: Path) -> None:
    api = pytest.importorskip("mypy.api", reason="mypy is not installed for this Python (Debian: python3-mypy)")
    script = tmp_path / "use.py"
    script.write_text(
        "import brixel\n\n"
        "def show(status: brixel.Status) -> None:\n"
        "    print(status.in_color_space.value)\n"
        "    print(status.in_colour_space.value)\n"
    )
    out, _err, status = api.run(["--strict", "--no-incremental", "--cache-dir", str(tmp_path / "cache"), str(script)])
    assert status == 1, out
    assert '"Status" has no attribute "in_colour_space"' in out
    assert out.count("error:") == 1, out
