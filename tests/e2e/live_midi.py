#!/usr/bin/python3
"""End to end: tonwerk-cli live between two ports of a real JACK MIDI client.

Plays notes, a chord, the pedal and controllers through a setup of several splits and checks what
comes back; then SIGTERM must end the program with status 0 after a note-off for every key.
Usage: live_midi.py TONWERK_CLI WORK_DIR
"""
import json
import os
import queue
import signal
import subprocess
import sys
import threading
import time

import jack

cli, work = sys.argv[1], sys.argv[2]
os.makedirs(work, exist_ok=True)
setup = os.path.join(work, "live.mks")
splits = [
    # lower half one octave up on channel 1; upper half on channel 3; channel 2 controllers thru to 6
    {"state": 1, "keyHigh": 59, "transpose": 12, "midiOutChannel": 0},
    {"state": 1, "keyLow": 60, "midiOutChannel": 2, "velocityOffset": 10},
    {"state": 1, "midiInChannel": 1, "midiOutChannel": 5, "sfxFlags": 0x10},
]
subprocess.run([cli, "setup", "make", setup], input=json.dumps({"setups": [{"splits": splits}]}),
               text=True, check=True)

client = jack.Client("tester", no_start_server=True)
ports = {"keys": client.midi_outports.register("keys")}
sound = client.midi_inports.register("sound")
outgoing = queue.Queue()
received = []
lock = threading.Lock()


@client.set_process_callback
def process(frames):
    keys = ports.get("keys")
    if keys is not None:
        keys.clear_buffer()
        while True:
            try:
                data = outgoing.get_nowait()
            except queue.Empty:
                break
            keys.write_midi_event(0, data)
    now = time.monotonic()
    inport = sound
    if inport is not None:
        for _, data in inport.incoming_midi_events():
            with lock:
                received.append((now, bytes(data)))


client.activate()
listing = subprocess.run([cli, "devices", "--midi-api", "jack"], capture_output=True, text=True, check=True).stdout
assert "midi-in 0 tester:keys" in listing.splitlines(), listing
assert any(line.startswith("midi-out ") and line.endswith(" tester:sound") for line in listing.splitlines()), listing
assert any(line.startswith("audio ") and " jack " in line for line in listing.splitlines()), listing
proc = subprocess.Popen([cli, "live", "--midi-api", "jack", "--midi-in", "tester:keys", "--midi-out", "-1",
                         "--setup", setup, "--audio", "none"], stdout=subprocess.PIPE, text=True)
try:
    line = proc.stdout.readline()
    assert line.startswith("live: in=tester:keys"), line
    deadline = time.monotonic() + 10
    tonwerk_out = []
    while not tonwerk_out and time.monotonic() < deadline:
        tonwerk_out = [p.name for p in client.get_ports(is_midi=True, is_output=True) if "Tonwerk Out" in p.name]
        time.sleep(0.05)
    assert tonwerk_out, "Tonwerk Out did not appear"
    client.connect(tonwerk_out[0], sound.name)
    time.sleep(0.2)

    def play(*messages, wait=0.05):
        for m in messages:
            outgoing.put(bytes(m))
        time.sleep(wait)

    def take():
        time.sleep(0.1)
        with lock:
            got = [d for _, d in received]
            received.clear()
        return got

    play([0x90, 48, 100], [0x80, 48, 0])
    first = take()
    assert first == [bytes([0x90, 60, 100]), bytes([0x80, 60, 100])], first
    play([0x90, 60, 100], [0x90, 64, 90], [0x90, 67, 80])  # a chord in the upper split
    assert take() == [bytes([0x92, 60, 110]), bytes([0x92, 64, 100]), bytes([0x92, 67, 90])]
    play([0x80, 60, 0], [0x80, 64, 0], [0x80, 67, 0])
    assert len(take()) == 3
    play([0xB1, 7, 99], [0xB1, 64, 127], [0xB1, 64, 0], [0xB0, 7, 50])  # only channel 2 passes controllers
    assert take() == [bytes([0xB5, 7, 99]), bytes([0xB5, 64, 127]), bytes([0xB5, 64, 0])]
    play([0xF8], [0xFE])  # clock and active sensing never reach the engine
    assert take() == []
    # The cable is pulled while a key is held: its note-off can never come, Tonwerk sends it.
    play([0x90, 52, 70])
    assert take() == [bytes([0x90, 64, 70])]
    gone = ports.pop("keys")
    gone.unregister()
    deadline = time.monotonic() + 3
    got = []
    while bytes([0x80, 64, 70]) not in got and time.monotonic() < deadline:
        got += take()
    assert bytes([0x80, 64, 70]) in got, got
    # The port comes back under its name: within 2 seconds playing goes on.
    ports["keys"] = client.midi_outports.register("keys")
    deadline = time.monotonic() + 2.5
    back = False
    while not back and time.monotonic() < deadline:
        play([0x90, 49, 60], [0x80, 49, 0], wait=0.2)
        back = bytes([0x90, 61, 60]) in take()
    assert back, "the input was not reopened"

    play([0x90, 50, 70])  # held at shutdown
    assert take() == [bytes([0x90, 62, 70])]

    proc.send_signal(signal.SIGTERM)
    assert proc.wait(timeout=10) == 0
    got = take()
    assert got[0] == bytes([0x80, 62, 70]), got[:3]
    sweep = [d for d in got if d[0] & 0xF0 == 0x80 and d[2] == 0]
    assert len(sweep) == 16 * 128, len(sweep)  # every key of every channel, key 127 included
    assert bytes([0x8F, 127, 0]) in sweep

    # Second run: the output is the test client's own port; it is pulled while a note sounds and
    # comes back under its name.
    proc = subprocess.Popen([cli, "live", "--midi-api", "jack", "--midi-in", "tester:keys", "--midi-out",
                             "tester:sound", "--setup", setup], stdout=subprocess.PIPE, text=True)
    assert proc.stdout.readline().startswith("live: in=tester:keys out=tester:sound")
    time.sleep(0.3)
    take()
    play([0x90, 48, 100])
    first = take()
    assert first == [bytes([0x90, 60, 100])], first
    old = sound
    sound = None
    ports["sound"] = None
    old.unregister()
    time.sleep(1.5)  # Tonwerk notices and forgets the note it sent there
    sound = client.midi_inports.register("sound")
    deadline = time.monotonic() + 2.5
    back = False
    while not back and time.monotonic() < deadline:
        play([0x90, 49, 60], [0x80, 49, 0], wait=0.2)
        back = bytes([0x90, 61, 60]) in take()
    assert back, "the output was not reopened"
    play([0x80, 48, 0])  # the forgotten note: no note-off goes to the new port
    assert bytes([0x80, 60, 100]) not in take()
    proc.send_signal(signal.SIGTERM)
    assert proc.wait(timeout=10) == 0
    print("live_midi: passed")
finally:
    if proc.poll() is None:
        proc.kill()
        proc.wait()
    client.deactivate()
    client.close()
