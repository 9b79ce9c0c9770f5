# SPDX-License-Identifier: MIT
"""brixelctl serve --mqtt against a real broker, as Home Assistant sees it."""

import json
import re
import signal
import subprocess
import time
import urllib.request

from conftest import PREFIX, RECOVERY_SECONDS, Broker, HomeAssistant, Served, states_become, wait_until

# The keys Home Assistant's MQTT integration requires of each component.
REQUIRED = {
    "select": {"command_topic", "options"},
    "sensor": {"state_topic"},
    "binary_sensor": {"state_topic"},
    "button": {"command_topic"},
}


def panel_json(served, path):
    with urllib.request.urlopen(served.panel.rstrip("/") + path, timeout=10) as reply:
        return json.loads(reply.read())


def all_discovered(ha, served, count=None):
    """The discovery documents once every entity has one with the firmware read (and the states are in)."""
    count = count or entity_count(served)

    def ready():
        docs = ha.discovery()
        if len(docs) < count or ha.payload(served.root + "/input_format") is None:
            return None
        # Documents sent before the firmware was read are sent again with it.
        if not all(doc.get("device", {}).get("sw_version") for doc in docs.values()):
            return None
        return docs
    return wait_until(ready, RECOVERY_SECONDS, "discovery and states")


def expected_selects(served):
    """Each setting with named values the panel lists, but the factory reset (a button), and the EDIDs."""
    settings = panel_json(served, "/api/settings")["settings"]
    selects = {s["name"].replace("-", "_"): [c["name"] for c in s["choices"]]
               for s in settings if s["choices"] and s["name"] != "factory-reset"}
    edids = panel_json(served, "/api/edid/catalogue")["entries"]
    selects["builtin_edid"] = [e["name"] for e in edids]
    return selects


def entity_count(served):
    """The selects, and the 20 sensors, binary sensors and buttons besides."""
    return len(expected_selects(served)) + 20


def test_discovery_is_valid_for_each_component_with_unique_ids_and_one_device(served, home_assistant):
    s = served()
    selects = expected_selects(s)
    docs = all_discovered(home_assistant, s)
    time.sleep(0.5)  # anything published late would show below
    docs = home_assistant.discovery()
    node = s.root.split("/")[1]
    unique_ids = set()
    devices = []
    found_selects = {}
    for topic, doc in docs.items():
        prefix, component, node_id, object_id, config = topic.split("/")
        assert (prefix, node_id, config) == (PREFIX, node, "config"), topic
        assert REQUIRED[component] <= doc.keys(), (topic, doc.keys())
        assert doc["unique_id"] not in unique_ids, doc["unique_id"]
        unique_ids.add(doc["unique_id"])
        devices.append(doc["device"])
        assert [a["topic"] for a in doc["availability"]] == [s.root + "/bridge", s.root + "/device"]
        if "state_topic" in doc:
            assert doc["state_topic"] == f"{s.root}/{object_id}"
        if "command_topic" in doc:
            assert doc["command_topic"] == f"{s.root}/{object_id}/set"
        if component == "select":
            assert doc["options"] and all(isinstance(o, str) for o in doc["options"])
            found_selects[object_id] = doc["options"]
        if component == "button":
            assert doc["entity_category"] == "config" and doc["enabled_by_default"] is False
    assert found_selects == selects
    assert all(d == devices[0] for d in devices)
    assert devices[0]["identifiers"] == [node]
    assert devices[0]["sw_version"] == "1.5"
    components = {t.split("/")[1] for t in docs}
    assert components == set(REQUIRED)
    for object_id in ("hdr_format", "max_cll", "max_fall", "mastering_max_luminance", "input_hdcp", "source_name"):
        assert f"{PREFIX}/sensor/{node}/{object_id}/config" in docs
    for object_id in ("signal", "hdr"):
        assert f"{PREFIX}/binary_sensor/{node}/{object_id}/config" in docs
    states_become(home_assistant, s.root, {"bridge": "online", "device": "online"})


def test_a_port_chosen_through_mqtt_reaches_the_device_brixelctl_status_and_the_panel(served, home_assistant):
    s = served()
    all_discovered(home_assistant, s)
    states_become(home_assistant, s.root, {"input_format": "3840x2160p60", "hdr_format": "HDR10"})
    home_assistant.publish(s.root + "/port/set", "2")
    states_become(home_assistant, s.root,
                  {"port": "2", "input_format": "1920x1080p60", "hdr_format": "SDR", "hdr": "OFF",
                   "source_name": "GameCo Console Pro"})
    status = s.brixelctl("status")
    assert status.returncode == 0, status.stderr
    assert "Input : 1920x1080p60" in status.stdout.splitlines()
    assert panel_json(s, "/api/status")["fields"]["input"]["value"] == "1920x1080p60"
    # A change through the panel is published at once, too.
    request = urllib.request.Request(s.panel.rstrip("/") + "/api/settings/port", data=b'{"value": "1"}',
                                     method="POST", headers={"Content-Type": "application/json",
                                                             "Origin": s.panel.rstrip("/"),
                                                             "X-CSRF-Token": csrf_token(s)})
    with urllib.request.urlopen(request, timeout=10) as reply:
        assert json.loads(reply.read())["confirmed"] is True
    wait_until(lambda: home_assistant.payload(s.root + "/port") == "1", RECOVERY_SECONDS, "the panel's port in MQTT")


def csrf_token(served):
    with urllib.request.urlopen(served.panel, timeout=10) as reply:
        page = reply.read().decode()
    return re.search(r'name="csrf-token" content="([0-9a-f]+)"', page).group(1)


def test_the_hdr_sensors_follow_the_sources_infoframes(served, home_assistant):
    s = served()
    all_discovered(home_assistant, s)
    states_become(home_assistant, s.root, {"max_cll": "1000"})

    def hlg(state):
        state["report"]["ports"][0]["eotf"] = 3

    s.change_state(hlg)
    states_become(home_assistant, s.root, {"hdr_format": "HLG", "hdr": "ON"})

    def sdr(state):
        state["report"]["ports"][0]["hdr"] = False

    s.change_state(sdr)
    states_become(home_assistant, s.root, {"hdr": "OFF", "hdr_format": "SDR", "max_cll": "None"})


def test_home_assistants_birth_message_has_everything_published_again(served, home_assistant):
    s = served()
    docs = set(all_discovered(home_assistant, s))
    mark = home_assistant.count()
    home_assistant.publish(f"{PREFIX}/status", "online")
    states = {s.root + "/bridge", s.root + "/input_format"}

    def everything_again():
        again = {t for t, _, _ in home_assistant.since(mark)}
        return {t for t in again if t.endswith("/config")} == docs and states <= again
    wait_until(everything_again, RECOVERY_SECONDS, "every discovery document and the states again")
    s.wait_for_line(r"Home Assistant is online")
    # Its last will says nothing: no republishing then.
    mark = home_assistant.count()
    home_assistant.publish(f"{PREFIX}/status", "offline")
    time.sleep(0.5)
    assert not [t for t, _, _ in home_assistant.since(mark) if t.endswith("/config")]


def test_a_broker_killed_and_started_again_gets_everything_again(tmp_path, broker, served):
    s = served()
    ha = HomeAssistant(broker.port)
    try:
        all_discovered(ha, s)
        broker.kill()
        s.wait_for_line(r"disconnected from the MQTT broker")
        time.sleep(3)  # a few attempts with back-off
        broker.start()  # no persistence: the broker comes back empty
        started = time.monotonic()
        s.wait_for_line(r"connected to the MQTT broker .* as brixel/", RECOVERY_SECONDS)
        ha2 = HomeAssistant(broker.port)
        try:
            docs = all_discovered(ha2, s, len(ha.discovery()))
            assert docs.keys() == ha.discovery().keys()
            states_become(ha2, s.root, {"bridge": "online"})
            assert time.monotonic() - started < RECOVERY_SECONDS
            # Commands work again.
            ha2.publish(s.root + "/logo_led/set", "off")
            wait_until(lambda: ha2.payload(s.root + "/logo_led") == "off", RECOVERY_SECONDS, "a command after the restart")
        finally:
            ha2.close()
    finally:
        ha.close()
    connects = [line for line in s.output() if "connected to the MQTT broker" in line and "dis" not in line]
    assert len(connects) == 2, s.output()


def test_a_bridge_that_dies_leaves_its_last_will_and_a_clean_stop_says_offline(served, home_assistant):
    s = served()
    all_discovered(home_assistant, s)
    assert s.stop(signal.SIGTERM) == 0
    states_become(home_assistant, s.root, {"bridge": "offline"})
    s.wait_for_line(r"disconnected from the MQTT broker .* \(stopping\)")

    killed = served()
    wait_until(lambda: home_assistant.payload(killed.root + "/bridge") == "online", RECOVERY_SECONDS, "online again")
    killed.stop(signal.SIGKILL)
    wait_until(lambda: home_assistant.payload(killed.root + "/bridge") == "offline", 60, "the last will")


def test_a_device_unplugged_and_plugged_in_again_goes_offline_and_comes_back(served, home_assistant):
    # Gone as its 40th frame is written, a few polls in; back soon after.
    s = served(faults=["replug@40"])
    all_discovered(home_assistant, s)
    device = s.root + "/device"
    wait_until(lambda: home_assistant.payload(device) == "offline", RECOVERY_SECONDS, "the device offline")
    s.wait_for_line(r"the Brixel is gone")
    wait_until(lambda: home_assistant.payload(device) == "online", RECOVERY_SECONDS, "the device back")
    s.wait_for_line(r"the Brixel is back")
    payloads = [p.decode() for t, p, _ in home_assistant.since(0) if t == device]
    # Said again when everything is published again, never otherwise.
    changes = [p for k, p in enumerate(payloads) if k == 0 or payloads[k - 1] != p]
    assert changes == ["online", "offline", "online"]
    home_assistant.publish(s.root + "/scaling/set", "down")
    wait_until(lambda: home_assistant.payload(s.root + "/scaling") == "down", RECOVERY_SECONDS, "a command after the replug")


def test_malformed_payloads_are_refused_with_a_line_and_nothing_sent(served, home_assistant):
    # A command kept by the broker reaches the bridge as it subscribes, marked retained.
    first = served()
    root = first.root
    first.stop()
    home_assistant.publish(root + "/port/set", "2", retain=True)
    s = served()
    s.wait_for_line(r"refused a retained command on .*/port/set: commands are not kept")
    home_assistant.publish(root + "/port/set", "", retain=True)  # the broker forgets it again
    all_discovered(home_assistant, s)
    home_assistant.publish(s.root + "/port/set", "3")
    wait_until(lambda: home_assistant.payload(s.root + "/port") == "3", RECOVERY_SECONDS, "port 3")
    before = s.brixelctl("info", "--json")
    refused = [
        (s.root + "/port/set", b"\xff\xfe\x00junk", r"port/set: '\?\?\?junk' is not one of its 4 options"),
        (s.root + "/port/set", b"2" * (1 << 20), r"port/set: 1048576 bytes, more than the 256"),
        (s.root + "/port/set", b"9", r"port/set: '9' is not one of its 4 options"),
        (s.root + "/nothing/set", b"1", r"nothing/set: no such entity"),
        (s.root + "/input_format/set", b"1", r"input_format/set: Input format takes no commands"),
        (s.root + "/factory_reset/set", b"press", r"factory_reset/set: 'press' is not PRESS"),
        (s.root + "/builtin_edid/set", b"no-such-edid", r"builtin_edid/set: 'no-such-edid' is not one of its"),
    ]
    for topic, payload, line in refused:
        home_assistant.publish(topic, payload)
        s.wait_for_line(line)
    time.sleep(0.5)
    after = s.brixelctl("info", "--json")
    assert json.loads(after.stdout)["stateBlock"] == json.loads(before.stdout)["stateBlock"]
    assert home_assistant.payload(s.root + "/port") == "3"
    assert s.process.poll() is None
    # Unharmed: the next good command goes through.
    home_assistant.publish(s.root + "/port/set", "1")
    wait_until(lambda: home_assistant.payload(s.root + "/port") == "1", RECOVERY_SECONDS, "port 1 after the junk")


def test_the_factory_reset_button_leaves_every_setting_unknown(served, home_assistant):
    s = served()
    all_discovered(home_assistant, s)
    home_assistant.publish(s.root + "/scaling/set", "up")
    wait_until(lambda: home_assistant.payload(s.root + "/scaling") == "up", RECOVERY_SECONDS, "scaling up")
    home_assistant.publish(s.root + "/factory_reset/set", "PRESS")
    wait_until(lambda: home_assistant.payload(s.root + "/scaling") == "None", RECOVERY_SECONDS, "scaling unknown")
    info = json.loads(s.brixelctl("info", "--json").stdout)
    assert info["confirmed"] is True


def test_without_the_panel_and_with_a_password_from_a_file_or_the_environment(tmp_path):
    passwords = tmp_path / "passwords"
    subprocess.run(["mosquitto_passwd", "-b", "-c", str(passwords), "ha", "s3cret"], check=True,
                   env={"PATH": "/usr/bin:/usr/sbin:/bin"})
    broker = Broker(tmp_path, passwords)
    try:
        secret = tmp_path / "secret"
        secret.write_text("s3cret\n")
        url = f"mqtt://ha@127.0.0.1:{broker.port}"
        s = Served(tmp_path, broker.port, listen="none", url=url, extra=["--mqtt-password-file", str(secret)])
        assert s.panel is None
        s.wait_for_line(r"connected to the MQTT broker at mqtt://ha@127.0.0.1:\d+ as brixel/")
        s.stop()
        s = Served(tmp_path, broker.port, listen="none", url=url, env={"BRIXEL_MQTT_PASSWORD": "s3cret"})
        s.wait_for_line(r"connected to the MQTT broker")
        s.stop()
        s = Served(tmp_path, broker.port, listen="none", url=url, env={"BRIXEL_MQTT_PASSWORD": "wrong"})
        s.wait_for_line(r"refused the connection: Connection Refused: not authorised")
        s.stop()
    finally:
        broker.stop()
