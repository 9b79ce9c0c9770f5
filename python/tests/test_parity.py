# SPDX-License-Identifier: MIT
"""The same operation with the same inputs gives the same document from
brixelctl --json, the panel's API and a Python Result (or the error Python
raises): the same keys, notes, problems and console lines, whether the device
confirmed, did not, the inputs were refused or no device was there. Each
scenario runs every operation of the catalogue in the same order on fresh
simulated devices in all three, so that their states stay alike."""

from __future__ import annotations

import json
import os
import re
import subprocess
import urllib.error
import urllib.request
from pathlib import Path
from typing import Any, Iterator, NamedTuple

import pytest

import brixel
from brixel import _native

# Texts of the front ends' own: where to look for help differs, the fact does not.
OWN_KEYS = {"error", "file"}

EDID_HEX = brixel.CATALOGUE[18].data.hex(" ")
AVI = "82:02:0D:87:40:A8:00:00:00:00:00:00:00:00:00:00:00"
HDR = "87:01:1A:91:02:00:34:21:AA:9B:96:19:FC:08:48:8A:08:39:13:3D:42:40:E8:03:32:00:E8:03:90:01"
MATRIX = [0, 1, 0, 0, 0, 0, 1, 0, -16, 0, 0, 1]
DERIVE = {"from": "sink", "drop": ["hdr"], "name": "Lounge", "write": True}
DIFF = {"before": "sink", "after": "device"}


class Case(NamedTuple):
    """An operation asked in each front end's own terms."""

    operation: str
    inputs: dict[str, Any]  # as Device.run takes them
    argv: list[str]  # brixelctl's
    method: str
    path: str
    body: bytes | None = None


def setting_cases() -> list[Case]:
    cases = []
    for name, _summary, _changes, inputs in _native.operations():
        if not any(n == "value" for n, _r, _h in inputs) or name == "set":
            continue
        value = "off" if "on|off" in " ".join(h for _n, _r, h in inputs) else None
        choices = {"port": "3", "scaling": "down", "hdcp": "1.4", "edid-mode": "custom", "factory-reset": "settings",
                   "csc": "ycbcr420", "deep-color": "10", "down-csc": "rgb", "ds-deep-color": "12", "bt2020": "auto",
                   "preset-4k30-mode": "ycbcr420-10", "preset-4k60-mode": "rgb8"}
        value = choices.get(name, value or "on")
        cases.append(Case(name, {"value": value}, [name, value], "POST", f"/api/settings/{name}",
                          json.dumps({"value": value}).encode()))
    return cases


def cases(tmp: Path) -> list[Case]:
    edid_file = tmp / "edid.hex"
    edid_file.write_text(EDID_HEX)
    matrix_body = json.dumps(dict(zip(_native.MATRIX_FIELDS, MATRIX))).encode()
    return [
        *setting_cases(),
        Case("reset", {}, ["reset"], "POST", "/api/settings/reset"),
        Case("set", {"code": 22, "value": 1}, ["set", "22", "1"], "POST", "/api/set", b'{"code": 22, "value": 1}'),
        Case("info", {}, ["info"], "GET", "/api/info"),
        Case("status", {}, ["status"], "GET", "/api/status"),
        Case("edid get", {}, ["edid", "get"], "GET", "/api/edid"),
        Case("edid sink", {}, ["edid", "sink"], "GET", "/api/edid/sink"),
        Case("edid set", {"content": EDID_HEX, "name": "upload"}, ["edid", "set", str(edid_file)], "PUT",
             "/api/edid", EDID_HEX.encode()),
        Case("edid install", {"entry": "20"}, ["edid", "install", "20"], "POST", "/api/edid/install/20"),
        Case("edid list", {}, ["edid", "list"], "GET", "/api/edid/catalogue"),
        Case("edid export", {"entry": "20"}, ["edid", "export", "20", str(tmp / "export.bin")], "GET",
             "/api/edid/export/20"),
        Case("infoframe avi", {"text": AVI}, ["infoframe", "avi", AVI], "POST", "/api/infoframe/avi",
             json.dumps({"text": AVI}).encode()),
        Case("infoframe hdr", {"text": HDR}, ["infoframe", "hdr", HDR], "POST", "/api/infoframe/hdr",
             json.dumps({"text": HDR}).encode()),
        Case("infoframe hdr-build", {"eotf": "hlg", "maxCll": 1000}, ["infoframe", "hdr-build", "--eotf", "hlg",
             "--max-cll", "1000"], "POST", "/api/infoframe/hdr-build", b'{"eotf": "hlg", "maxCll": 1000}'),
        Case("infoframe decode", {"frames": [HDR, AVI]}, ["infoframe", "decode", HDR, AVI], "POST",
             "/api/infoframe/decode", json.dumps({"frames": [HDR, AVI]}).encode()),
        Case("matrix get", {}, ["matrix", "get"], "GET", "/api/matrix"),
        Case("matrix set", {"values": MATRIX}, ["matrix", "set", "--", *map(str, MATRIX)], "PUT", "/api/matrix",
             matrix_body),
        Case("matrix default", {}, ["matrix", "default"], "GET", "/api/matrix/default"),
        Case("matrix reset", {}, ["matrix", "reset"], "POST", "/api/matrix/reset"),
        Case("matrix enable", {}, ["matrix", "enable"], "POST", "/api/matrix/enable"),
        Case("matrix disable", {}, ["matrix", "disable"], "POST", "/api/matrix/disable"),
        Case("edid derive", DERIVE, ["edid", "derive", "--from", "sink", "--drop", "hdr", "--name", "Lounge", "--write"],
             "POST", "/api/edid/derive", json.dumps(DERIVE).encode()),
        Case("edid diff", DIFF, ["edid", "diff", "sink", "device"], "POST", "/api/edid/diff", json.dumps(DIFF).encode()),
        Case("list", {}, ["list"], "GET", "/api/devices"),
    ]


# Inputs each operation refuses, in the three front ends' terms.
REFUSED = [
    Case("port", {"value": "9"}, ["port", "9"], "POST", "/api/settings/port", b'{"value": "9"}'),
    Case("set", {"code": 3, "value": 1}, ["set", "3", "1"], "POST", "/api/set", b'{"code": 3, "value": 1}'),
    Case("infoframe avi", {"text": "82:02:0"}, ["infoframe", "avi", "82:02:0"], "POST", "/api/infoframe/avi",
         b'{"text": "82:02:0"}'),
    Case("infoframe hdr-build", {"eotf": "dolby"}, ["infoframe", "hdr-build", "--eotf", "dolby"], "POST",
         "/api/infoframe/hdr-build", b'{"eotf": "dolby"}'),
    Case("infoframe decode", {"frames": ["87:01"]}, ["infoframe", "decode", "87:01"], "POST",
         "/api/infoframe/decode", b'{"frames": ["87:01"]}'),
    Case("matrix set", {"values": [0, 9, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1]},
         ["matrix", "set", "0", "9", "0", "0", "0", "0", "1", "0", "0", "0", "0", "1"], "PUT", "/api/matrix",
         json.dumps(dict(zip(_native.MATRIX_FIELDS, [0, 9, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1]))).encode()),
    Case("edid set", {"content": "00 ff ff", "name": "upload"}, ["edid", "set", "upload"], "PUT", "/api/edid",
         b"00 ff ff"),
    Case("edid derive", {"from": "builtin:20", "preferred": 200, "write": True},
         ["edid", "derive", "--from", "builtin:20", "--preferred", "200", "--write"], "POST", "/api/edid/derive",
         b'{"from": "builtin:20", "preferred": 200, "write": true}'),
    Case("edid diff", {"before": "builtin:99", "after": "sink"}, ["edid", "diff", "builtin:99", "sink"], "POST",
         "/api/edid/diff", b'{"before": "builtin:99", "after": "sink"}'),
]


def tool() -> str:
    path = os.environ.get("BRIXELCTL")
    if not path:
        pytest.skip("BRIXELCTL names no brixelctl to compare with")
    return path


class Panel:
    """brixelctl serve on simulated devices, spoken to as the page speaks."""

    def __init__(self, state: Path, options: list[str]) -> None:
        self.process = subprocess.Popen(
            [tool(), "--simulate", "--fresh", "--state-file", str(state), *options, "serve", "--listen",
             "127.0.0.1:0"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        assert self.process.stdout is not None
        line = self.process.stdout.readline()
        found = re.search(r"http://127\.0\.0\.1:(\d+)/", line)
        assert found, line
        self.base = f"http://127.0.0.1:{found.group(1)}"
        page = urllib.request.urlopen(self.base + "/").read().decode()
        self.csrf = re.search(r'name="csrf-token" content="([0-9a-f]+)"', page).group(1)  # type: ignore[union-attr]

    def ask(self, case: Case) -> dict[str, Any]:
        request = urllib.request.Request(self.base + case.path, data=case.body, method=case.method)
        if case.method != "GET":
            request.add_header("Origin", self.base)
            request.add_header("X-CSRF-Token", self.csrf)
            request.add_header("Content-Type", "application/octet-stream" if case.path == "/api/edid" else
                               "application/json")
        try:
            with urllib.request.urlopen(request) as reply:
                document: dict[str, Any] = json.loads(reply.read())
        except urllib.error.HTTPError as error:
            document = json.loads(error.read())
        return document

    def stop(self) -> None:
        self.process.terminate()
        self.process.wait(10)


def run_tool(state: Path, options: list[str], case: Case) -> dict[str, Any]:
    # In the state's folder, where an uploaded EDID is a file called "upload".
    done = subprocess.run([tool(), "--simulate", "--state-file", str(state), *options, "--json", *case.argv],
                          cwd=state.parent, capture_output=True, text=True, check=False,
                          env={**os.environ, "XDG_STATE_HOME": str(state.parent)})
    document: dict[str, Any] = json.loads(done.stdout)
    return document


def run_python(case: Case) -> dict[str, Any]:
    dev = brixel.Device()
    try:
        return dev.run(case.operation, **{brixel_keyword(k): v for k, v in case.inputs.items()}).document
    except (brixel.Error, brixel.Refused) as error:
        return error.document


def brixel_keyword(name: str) -> str:
    return "".join("_" + c.lower() if c.isupper() else c for c in name)


def same(tool_doc: dict[str, Any], panel_doc: dict[str, Any], python_doc: dict[str, Any], what: str) -> None:
    keys = [set(d) - OWN_KEYS for d in (tool_doc, panel_doc, python_doc)]
    assert keys[0] == keys[1] == keys[2], what
    for key in keys[0]:
        assert tool_doc[key] == panel_doc[key] == python_doc[key], f"{what}: {key}"
    assert ("error" in tool_doc) == ("error" in panel_doc) == ("error" in python_doc), what


class Scenario(NamedTuple):
    name: str
    options: list[str]  # brixelctl's
    devices: int
    faults: list[str]


SCENARIOS = [
    Scenario("confirmed", [], 1, []),
    Scenario("not confirmed", ["--fault", "wrongEcho"], 1, ["wrongEcho"]),
    Scenario("no device", ["--devices", "0"], 0, []),
]


@pytest.fixture
def panel_state(tmp_path: Path) -> Iterator[Path]:
    yield tmp_path / "panel.json"


def test_every_operation_of_the_catalogue_has_its_case(tmp_path: Path) -> None:
    covered = {c.operation for c in cases(tmp_path)}
    assert covered == {name for name, _s, _c, _i in _native.operations()}


@pytest.mark.parametrize("scenario", SCENARIOS, ids=[s.name for s in SCENARIOS])
def test_every_operation_gives_one_document(tmp_path: Path, scenario: Scenario) -> None:
    tool_state, panel_state = tmp_path / "tool.json", tmp_path / "panel.json"
    subprocess.run([tool(), "--simulate", "--fresh", "--state-file", str(tool_state), *scenario.options, "-q",
                    "info"], capture_output=True, check=False)
    panel = Panel(panel_state, scenario.options)
    try:
        with brixel.Simulator(devices=scenario.devices, faults=scenario.faults):
            for case in cases(tmp_path):
                same(run_tool(tool_state, scenario.options, case), panel.ask(case), run_python(case),
                     f"{scenario.name}: {case.operation}")
    finally:
        panel.stop()


def test_refused_inputs_give_one_document(tmp_path: Path) -> None:
    panel = Panel(tmp_path / "panel.json", [])
    try:
        with brixel.Simulator():
            for case in REFUSED:
                if "content" in case.inputs:
                    (tmp_path / "upload").write_text(case.inputs["content"])
                tool_doc = run_tool(tmp_path / "tool.json", [], case)
                python_doc = run_python(case)
                same(tool_doc, panel.ask(case), python_doc, f"refused: {case.operation}")
                assert tool_doc["confirmed"] is None and tool_doc["problems"], case.operation
    finally:
        panel.stop()
