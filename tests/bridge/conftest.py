# SPDX-License-Identifier: MIT
"""A real broker and a Home Assistant stand-in for brixelctl serve --mqtt.

Debian's mosquitto is started on a free loopback port for each test and
stopped after it; paho plays Home Assistant. Where either is missing the whole
run says so and exits 77, which ctest counts as skipped, never as passed.
"""

import fcntl
import json
import os
import pwd
import re
import shutil
import signal
import socket
import subprocess
import threading
import time
from pathlib import Path

import pytest

BRIXELCTL = os.environ.get("BRIXELCTL", "brixelctl")
MOSQUITTO = shutil.which("mosquitto", path=os.environ.get("PATH", "") + ":/usr/sbin:/sbin")
PREFIX = "homeassistant"
# Every recovery the bridge promises happens within this.
RECOVERY_SECONDS = 30

try:
    import paho.mqtt.client as mqtt
except ImportError:  # pragma: no cover - said and skipped below
    mqtt = None


def pytest_configure(config):
    missing = []
    if MOSQUITTO is None:
        missing.append("the mosquitto broker (Debian package mosquitto)")
    if mqtt is None:
        missing.append("paho (Debian package python3-paho-mqtt)")
    if missing:
        print("skipped: the MQTT bridge's tests need " + " and ".join(missing))
        pytest.exit("not run: " + ", ".join(missing), returncode=77)


def wait_until(condition, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.02)
    raise AssertionError(f"{what}: not within {timeout} s")


def states_become(ha, root, expected, timeout=RECOVERY_SECONDS):
    """Each state topic under root holds its value: a refresh publishes them one after another."""
    def reached():
        return all(ha.payload(f"{root}/{name}") == value for name, value in expected.items())
    try:
        wait_until(reached, timeout, "the states")
    except AssertionError:
        seen = {name: ha.payload(f"{root}/{name}") for name in expected}
        raise AssertionError(f"within {timeout} s the states were {seen}, not {expected}") from None


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Broker:
    """mosquitto on a loopback port, killed and started again on demand."""

    def __init__(self, folder: Path, password_file: Path | None = None):
        self.port = free_port()
        self.config = folder / "mosquitto.conf"
        # Run as root it would become the user mosquitto, who cannot read the test's files.
        lines = [f"listener {self.port} 127.0.0.1", "persistence false", f"user {pwd.getpwuid(os.getuid()).pw_name}"]
        if password_file:
            lines += ["allow_anonymous false", f"password_file {password_file}"]
        else:
            lines += ["allow_anonymous true"]
        self.config.write_text("\n".join(lines) + "\n")
        self.log = folder / "mosquitto.log"
        self.process = None
        self.start()

    def start(self):
        self.process = subprocess.Popen([MOSQUITTO, "-c", str(self.config)], stdout=self.log.open("ab"),
                                        stderr=subprocess.STDOUT)

        def listening():
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=0.2):
                    return True
            except OSError:
                return False

        wait_until(listening, 10, f"mosquitto listening on {self.port}")

    def kill(self):
        self.process.kill()
        self.process.wait()

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            self.process.wait()


class HomeAssistant:
    """What Home Assistant does with MQTT: keeps what the bridge publishes, sends its birth message."""

    made = 0

    def __init__(self, port):
        self.lock = threading.Lock()
        self.messages = []  # (topic, payload bytes, retain) in arrival order
        self.latest = {}
        HomeAssistant.made += 1
        # Its own id: a second client of the same id would push the first off the broker.
        self.client = mqtt.Client(client_id=f"ha-stand-in-{os.getpid()}-{HomeAssistant.made}")
        self.client.on_connect = lambda client, *_: client.subscribe([(f"{PREFIX}/#", 1), ("brixel/#", 1)])
        self.client.on_message = self._message
        self.client.reconnect_delay_set(0.2, 1)
        self.client.connect("127.0.0.1", port)
        self.client.loop_start()

    def _message(self, _client, _userdata, message):
        with self.lock:
            self.messages.append((message.topic, message.payload, message.retain))
            self.latest[message.topic] = message.payload

    def close(self):
        self.client.loop_stop()
        self.client.disconnect()

    def payload(self, topic):
        with self.lock:
            value = self.latest.get(topic)
        return None if value is None else value.decode("utf-8", "replace")

    def count(self):
        with self.lock:
            return len(self.messages)

    def since(self, mark):
        with self.lock:
            return list(self.messages[mark:])

    def discovery(self):
        """Every discovery document kept, by topic."""
        with self.lock:
            return {t: json.loads(p) for t, p in self.latest.items() if t.startswith(PREFIX + "/") and
                    t.endswith("/config") and p}

    def publish(self, topic, payload, retain=False):
        info = self.client.publish(topic, payload, qos=1, retain=retain)
        info.wait_for_publish()


class Served:
    """brixelctl serve as a user starts it, its output kept line by line."""

    def __init__(self, folder: Path, broker_port, *, listen="127.0.0.1:0", faults=(), extra=(), env=None,
                 url=None):
        self.state_file = folder / "state.json"
        command = [BRIXELCTL, "--simulate", "--fresh", "--state-file", str(self.state_file)]
        for fault in faults:
            command += ["--fault", fault]
        command += ["serve", "--listen", listen, "--mqtt", url or f"mqtt://127.0.0.1:{broker_port}", *extra]
        self.lines = []
        self.lock = threading.Lock()
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                        env={**os.environ, **(env or {})})
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        found = wait_until(lambda: self.find(r"publishes to \S+ under (brixel/\S+)"), 20, "the bridge's first line")
        self.root = found.group(1)
        panel = self.find(r"the panel is at (http://\S+)")
        self.panel = panel.group(1) if panel else None

    def _read(self):
        for line in self.process.stdout:
            with self.lock:
                self.lines.append(line.rstrip("\n"))

    def output(self):
        with self.lock:
            return list(self.lines)

    def find(self, pattern):
        for line in self.output():
            found = re.search(pattern, line)
            if found:
                return found
        return None

    def wait_for_line(self, pattern, timeout=RECOVERY_SECONDS):
        return wait_until(lambda: self.find(pattern), timeout, f"a line matching {pattern!r}")

    def stop(self, sig=signal.SIGTERM):
        if self.process.poll() is None:
            self.process.send_signal(sig)
        code = self.process.wait(timeout=30)
        self.reader.join(timeout=30)  # its last lines may still be in the pipe
        return code

    def brixelctl(self, *arguments):
        """Another run of brixelctl on the same simulated device."""
        done = subprocess.run([BRIXELCTL, "--simulate", "--state-file", str(self.state_file), *arguments],
                              capture_output=True, text=True, timeout=60)
        return done

    def change_state(self, change):
        """Changes the simulated device's state file as another run would: under its lock."""
        with open(str(self.state_file) + ".lock", "a+") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            state = json.loads(self.state_file.read_text())
            change(state)
            fresh = self.state_file.with_suffix(".new")
            fresh.write_text(json.dumps(state))
            fresh.replace(self.state_file)


@pytest.fixture
def broker(tmp_path):
    b = Broker(tmp_path)
    yield b
    b.stop()


@pytest.fixture
def home_assistant(broker):
    ha = HomeAssistant(broker.port)
    yield ha
    ha.close()


@pytest.fixture
def served(tmp_path, broker):
    started = []

    def start(**options):
        s = Served(tmp_path, broker.port, **options)
        started.append(s)
        return s

    yield start
    for s in started:
        s.stop()
        assert not s.find(r"ERROR|AddressSanitizer|runtime error"), "\n".join(s.output())
