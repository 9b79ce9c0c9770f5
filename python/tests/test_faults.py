# SPDX-License-Identifier: MIT
"""Failures raise DeviceNotFound or NotConfirmed with the library's console
lines and warnings; every fault kind of the simulator is tried."""

from __future__ import annotations

import pytest

import brixel

NOT_FOUND = "BRIXEL USB not connected!"
NOT_WRITTEN = "Error Writing values"

# fault, the exception (None: confirmed), console lines, warnings (a run folded into a count is left out)
FAULTS = [
    ("count", brixel.DeviceNotFound, (), (NOT_FOUND,)),
    ("string", brixel.DeviceNotFound, (), (NOT_FOUND,)),
    ("open", brixel.DeviceNotFound, ("Device open error",), ("Usb device open error!",)),
    ("close", None, (), ("Unable to close device handle!",)),
    ("write", brixel.NotConfirmed, (NOT_WRITTEN,), ()),
    ("noReply", brixel.NotConfirmed, (NOT_WRITTEN,), ()),
    ("rxQueue", brixel.NotConfirmed, (NOT_WRITTEN,), ("Error Checking RX Queue",)),
    ("read", brixel.NotConfirmed, (NOT_WRITTEN,), ()),
    ("shortReply", None, (), ()),
    ("wrongEcho", brixel.NotConfirmed, (NOT_WRITTEN,), ()),
    ("unplug", brixel.NotConfirmed, (NOT_WRITTEN,), ("Error Checking RX Queue",)),
    ("replug", brixel.NotConfirmed, (NOT_WRITTEN,), ("Error Checking RX Queue",)),
]


def test_the_fault_kinds_are_the_tools() -> None:
    assert [k.name for k in brixel.FAULT_KINDS] == [f[0] for f in FAULTS]
    assert [k.name for k in brixel.FAULT_KINDS if k.at_frame] == [
        "write", "noReply", "rxQueue", "read", "shortReply", "wrongEcho", "unplug", "replug"]
    assert all(k.description for k in brixel.FAULT_KINDS)


@pytest.mark.parametrize("fault,raised,messages,warnings", FAULTS)
def test_each_fault(fault: str, raised: type[brixel.Error] | None, messages: tuple[str, ...],
                    warnings: tuple[str, ...]) -> None:
    with brixel.Simulator(faults=[fault]):
        dev = brixel.Device()
        if raised is None:
            result = dev.set_scaling(brixel.Scaling.DOWN)
            assert (result.messages, result.warnings) == (messages, warnings)
            return
        with pytest.raises(raised) as caught:
            dev.set_scaling(brixel.Scaling.DOWN)
        error = caught.value
        assert error.operation == "scaling"
        assert error.messages == messages
        assert tuple(w for w in error.warnings if "repeated" not in w)[: len(warnings)] == warnings
        assert dev.messages == list(messages)
        assert dev.warnings == list(error.warnings)


def test_a_fault_kind_is_taken_as_it_is_listed() -> None:
    open_fault = next(k for k in brixel.FAULT_KINDS if k.name == "open")
    with brixel.Simulator(faults=[open_fault]):
        with pytest.raises(brixel.DeviceNotFound):
            brixel.Device().set_scaling(brixel.Scaling.DOWN)


def test_a_fault_at_one_frame_hits_that_frame_only() -> None:
    with brixel.Simulator(faults=["wrongEcho@1"]):
        dev = brixel.Device()
        dev.set_scaling(1)
        with pytest.raises(brixel.NotConfirmed) as caught:
            dev.set_scaling(2)
        assert caught.value.messages == (NOT_WRITTEN,)
        dev.set_scaling(3)
        assert dev.state()[2] == 3


def test_no_device_attached() -> None:
    with brixel.Simulator(devices=0):
        with pytest.raises(brixel.DeviceNotFound, match="no Brixel reachable") as caught:
            brixel.Device().edid()
        assert caught.value.warnings == (NOT_FOUND,)


def test_a_device_path_that_names_no_device() -> None:
    with brixel.Simulator(devices=2) as sim:
        assert sim.paths == ["sim:1", "sim:2"]
        with pytest.raises(brixel.DeviceNotFound, match="at sim:3"):
            brixel.Device("sim:3").firmware_version()


def test_unknown_faults_are_refused() -> None:
    with pytest.raises(ValueError, match="no fault is called 'smoke'"):
        with brixel.Simulator(faults=["smoke"]):
            pass
    with pytest.raises(ValueError, match="after @ comes a frame number"):
        with brixel.Simulator(faults=["noReply@x"]):
            pass


def test_one_simulator_at_a_time() -> None:
    with brixel.Simulator():
        with pytest.raises(RuntimeError, match="one at a time"):
            with brixel.Simulator():
                pass
        assert brixel.Device().firmware_version() == "BRIXEL FW Ver: 1.5"


def test_a_held_device_that_stops_answering_is_looked_for_anew() -> None:
    # Unplugged at its second frame: the device held open does not answer
    # (not confirmed), and it is let go, so that the next call looks for it
    # anew, as a call on its own does: it is gone.
    with brixel.Simulator(faults=["unplug@1"]):
        with brixel.Device() as held:
            held.set_scaling(1)
            with pytest.raises(brixel.NotConfirmed):
                held.set_scaling(2)
            with pytest.raises(brixel.DeviceNotFound):
                held.set_scaling(3)
        with pytest.raises(brixel.DeviceNotFound):
            brixel.Device().set_scaling(3)


def test_a_with_block_ends_its_hold_also_on_an_exception() -> None:
    with brixel.Simulator(faults=["unplug@1"]):
        with pytest.raises(KeyError):
            with brixel.Device() as dev:
                dev.set_scaling(1)
                with pytest.raises(brixel.NotConfirmed):
                    dev.set_scaling(2)
                raise KeyError("the caller's own")
        with pytest.raises(brixel.DeviceNotFound):
            dev.set_scaling(3)


def test_devices_each_reached_by_path() -> None:
    with brixel.Simulator(devices=2) as sim:
        one, two = sim.device(1), sim.device(2)
        with one:
            one.set_scaling(2)
            two.set_scaling(3)
            assert one.state()[2] == 2
        assert two.state()[2] == 3
        with pytest.raises(IndexError):
            sim.device(3)


def test_a_held_device_must_be_there() -> None:
    with brixel.Simulator(devices=2):
        with pytest.raises(brixel.DeviceNotFound, match="at bogus"):
            with brixel.Device("bogus"):
                pass
        with brixel.Device("sim:2") as dev:
            assert dev.firmware_version() == "BRIXEL FW Ver: 1.5"
    with brixel.Simulator(devices=0):
        with pytest.raises(brixel.DeviceNotFound):
            with brixel.Device():
                pass


def test_no_device_is_device_not_found_for_the_status_too() -> None:
    with brixel.Simulator(devices=0):
        with pytest.raises(brixel.DeviceNotFound):
            brixel.Device().status()
    with brixel.Simulator(faults=["noReply"]):
        with pytest.raises(brixel.NotConfirmed, match="did not answer"):
            brixel.Device().status()

