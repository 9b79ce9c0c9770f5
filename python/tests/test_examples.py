# SPDX-License-Identifier: MIT
"""The examples run as a user runs them, against the simulated device."""

from __future__ import annotations

import os
import subprocess
import sys
from pathlib import Path

EXAMPLES = Path(__file__).resolve().parent.parent / "examples"


def run(*args: str) -> subprocess.CompletedProcess[str]:
    return subprocess.run([sys.executable, *args], capture_output=True, text=True, env=os.environ.copy(), timeout=120)


def test_status_example() -> None:
    done = run(str(EXAMPLES / "status.py"), "--simulate", "2")
    assert done.returncode == 0, done.stderr
    assert "Input : 1920x1080p60" in done.stdout.splitlines()
    assert done.stdout.splitlines()[-2].startswith("SDR: 1920x1080p60 ")
    assert done.stdout.splitlines()[-1] == "1920x1080 at 60 Hz"


def test_status_example_without_a_signal() -> None:
    done = run(str(EXAMPLES / "status.py"), "--simulate", "4")
    assert done.returncode == 1
    assert "no video report" in done.stderr


def test_home_cinema_example() -> None:
    done = run(str(EXAMPLES / "home_cinema.py"), "--simulate")
    assert done.returncode == 0, done.stderr
    lines = done.stdout.splitlines()
    assert lines[0] == "edid install confirmed EDID custom written..."
    assert lines[-1].startswith("EDID now: 00 ff ff ff ff ff ff 00")
