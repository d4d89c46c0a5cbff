#!/usr/bin/python3
"""End to end: tonwerk-cli live plays a sample split through a real JACK server; a JACK client
records Tonwerk's audio output and finds the tone while the key is held, silence after it.
Usage: live_audio.py TONWERK_CLI WORK_DIR
"""
import json
import math
import os
import queue
import signal
import struct
import subprocess
import sys
import threading
import time
import wave

import jack

cli, work = sys.argv[1], sys.argv[2]
os.makedirs(work, exist_ok=True)
sample = os.path.join(work, "tone.wav")
with wave.open(sample, "wb") as w:
    w.setnchannels(2)
    w.setsampwidth(2)
    w.setframerate(22050)
    frames = []
    for i in range(22050):
        v = int(10000 * math.sin(2 * math.pi * 441 * i / 22050))
        frames.append(struct.pack("<hh", v, v))
    w.writeframes(b"".join(frames))
setup = os.path.join(work, "audio.mks")
split = {"state": 1, "task": 2, "sampleMode": 1, "rootNote": 60, "fileName": sample,
         "sample": {"sampleFlags": 1, "pan": 400}}
subprocess.run([cli, "setup", "make", setup], input=json.dumps({"setups": [{"splits": [split]}]}),
               text=True, check=True)

client = jack.Client("listener", no_start_server=True)
keys = client.midi_outports.register("keys")
ears = [client.inports.register("left"), client.inports.register("right")]
outgoing = queue.Queue()
recorded = []  # (time, peak of the block)
lock = threading.Lock()


@client.set_process_callback
def process(frames):
    keys.clear_buffer()
    while True:
        try:
            keys.write_midi_event(0, outgoing.get_nowait())
        except queue.Empty:
            break
    block = memoryview(ears[0].get_buffer()).cast("f")
    peak = max((abs(x) for x in block), default=0.0)
    with lock:
        recorded.append((time.monotonic(), peak))


client.activate()
listing = subprocess.run([cli, "devices", "--midi-api", "jack"], capture_output=True, text=True, check=True).stdout
jack_audio = [line.split(" ", 3)[1] for line in listing.splitlines() if line.startswith("audio ") and " jack " in line]
assert jack_audio, listing
env = dict(os.environ, XDG_CONFIG_HOME=work)  # the default settings, never the user's
proc = subprocess.Popen([cli, "live", "--midi-api", "jack", "--midi-in", "listener:keys", "--setup", setup,
                         "--audio", jack_audio[0]], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)
failures = []
try:
    line = proc.stdout.readline()
    assert line.startswith("live: in=listener:keys") and "audio=jack" in line, line
    deadline = time.monotonic() + 10
    outs = []
    while len(outs) < 2 and time.monotonic() < deadline:
        outs = [p.name for p in client.get_ports(is_audio=True, is_output=True) if p.name.startswith("Tonwerk")]
        time.sleep(0.05)
    assert len(outs) >= 2, "Tonwerk's audio ports did not appear"
    client.connect(outs[0], ears[0].name)
    client.connect(outs[1], ears[1].name)
    time.sleep(0.5)
    t0 = time.monotonic()
    outgoing.put(bytes([0x90, 60, 127]))
    time.sleep(1.0)
    t1 = time.monotonic()
    outgoing.put(bytes([0x80, 60, 0]))
    time.sleep(0.6)
    t2 = time.monotonic()
    with lock:
        before = [p for t, p in recorded if t < t0]
        held = [p for t, p in recorded if t0 + 0.3 < t < t1]
        after = [p for t, p in recorded if t1 + 0.3 < t < t2]
    if not held or min(held) < 0.2:
        failures.append(f"no steady tone while the key was held: {held[:5]}")
    if before and max(before) > 0.001:
        failures.append(f"sound before the note: {max(before)}")
    if not after or max(after) > 0.001:
        failures.append(f"sound after the note-off: {max(after) if after else None}")
finally:
    proc.send_signal(signal.SIGTERM)
    try:
        status = proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        proc.kill()
        status = proc.wait()
    client.deactivate()
    client.close()
if status != 0:
    failures.append(f"live exited with {status}: {proc.stderr.read()}")
for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
