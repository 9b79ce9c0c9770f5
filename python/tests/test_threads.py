# SPDX-License-Identifier: MIT
"""Two threads at once: every call is taken whole, one at a time, and a call
waiting on the device lets other Python threads run."""

from __future__ import annotations

import threading
import time
from typing import Callable

import brixel

ROUNDS = 60


def run_together(*works: Callable[[], None]) -> list[BaseException]:
    errors: list[BaseException] = []

    def guarded(work: Callable[[], None]) -> None:
        try:
            work()
        except BaseException as error:  # noqa: BLE001 - reported by the test
            errors.append(error)

    threads = [threading.Thread(target=guarded, args=(w,)) for w in works]
    for t in threads:
        t.start()
    for t in threads:
        t.join(timeout=120)
    assert not any(t.is_alive() for t in threads)
    return errors


def test_two_threads_hammering_one_device() -> None:
    with brixel.Simulator():
        shared = brixel.Device()
        matrix = [[0.0, 1.0, 0.0, 0.0], [0.0, 0.0, 1.0, 0.0], [0.0, 0.0, 0.0, 1.0]]

        def first() -> None:
            for k in range(ROUNDS):
                assert shared.set_scaling(k % 4).messages == ()
                assert shared.set_matrix(matrix).messages == ("Matrix values written...",)
                assert shared.status().input.value == "3840x2160p60"

        def second() -> None:
            with brixel.Device() as held:
                for k in range(ROUNDS):
                    assert held.set_csc(k % 5).messages == ()
                    result = held.set_avi_infoframe("82:02:0D:87:40:A8:00:00:00:00:00:00:00:00:00:00:00")
                    assert result.messages == ("AVI values written...",)
                    assert held.firmware_version() == "BRIXEL FW Ver: 1.5"
                    assert len(held.edid()) == 256

        assert run_together(first, second) == []
        state = shared.state()
        assert state[2] == (ROUNDS - 1) % 4
        assert state[40] == (ROUNDS - 1) % 5


def test_two_threads_on_two_devices() -> None:
    with brixel.Simulator(devices=2) as sim:
        def on(number: int) -> Callable[[], None]:
            def work() -> None:
                with sim.device(number) as dev:
                    for k in range(ROUNDS):
                        dev.set_deep_color((k + number) % 5)
                        assert dev.state()[41] == (k + number) % 5
            return work

        assert run_together(on(1), on(2)) == []
        assert sim.device(1).state()[41] == (ROUNDS - 1 + 1) % 5
        assert sim.device(2).state()[41] == (ROUNDS - 1 + 2) % 5


def test_a_call_waiting_on_the_device_lets_python_run() -> None:
    with brixel.Simulator():
        dev = brixel.Device()
        took: list[float] = []

        def install() -> None:
            start = time.monotonic()
            dev.install_edid(brixel.EdidTable.EDID_1080P24_STEREO)
            took.append(time.monotonic() - start)

        # Held for the whole install, the GIL would stop this loop once for as
        # long as the install takes; released, the loop goes round all the while.
        worker = threading.Thread(target=install)
        last = time.monotonic()
        longest = 0.0
        worker.start()
        while worker.is_alive():
            now = time.monotonic()
            longest = max(longest, now - last)
            last = now
        worker.join()
        assert took and took[0] > 0.3, "an EDID install waits after each frame"
        assert longest < took[0] / 2, (longest, took[0])  # held, it would be all of it
