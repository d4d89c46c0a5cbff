#!/usr/bin/python3
"""MIDI-through time of tonwerk-cli live on a JACK server: from a JACK client's note-on to the
routed note-on arriving back, measured in JACK frames, and a burst of messages as fast as JACK
takes them. Run through bench/midi-latency, which starts the server.
Usage: midi_latency.py TONWERK_CLI WORK_DIR MESSAGES BURST
"""
import json
import os
import statistics
import subprocess
import sys
import threading
import time

import jack

cli, work, count, burst = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
# "direct" measures the test client alone (its out port wired to its in port): the floor of the
# measurement itself.
direct = cli == "direct"
os.makedirs(work, exist_ok=True)
setup = os.path.join(work, "latency.mks")
if not direct:
    subprocess.run([cli, "setup", "make", setup], input=json.dumps({"setups": [{"splits": [{"state": 1}]}]}),
                   text=True, check=True)

client = jack.Client("latency", no_start_server=True)
keys = client.midi_outports.register("keys")
sound = client.midi_inports.register("sound")
lock = threading.Lock()
to_send = []          # messages waiting for the next cycle
per_cycle = 4
sent_frames = []
received = []         # (frame, bytes)


@client.set_process_callback
def process(frames):
    keys.clear_buffer()
    start = client.last_frame_time
    with lock:
        n = min(per_cycle, len(to_send))
        for i in range(n):
            keys.write_midi_event(0, to_send[i])
            sent_frames.append(start)
        del to_send[:n]
    for offset, data in sound.incoming_midi_events():
        received.append((start + offset, bytes(data)))


client.activate()
proc = None if direct else subprocess.Popen([cli, "live", "--midi-api", "jack", "--midi-in", "latency:keys", "--midi-out", "-1",
                         "--setup", setup], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
try:
    if direct:
        client.connect(keys.name, sound.name)
    else:
        proc.stdout.readline()
        out = []
        deadline = time.monotonic() + 10
        while not out and time.monotonic() < deadline:
            out = [p.name for p in client.get_ports(is_midi=True, is_output=True) if "Tonwerk Out" in p.name]
            time.sleep(0.05)
        client.connect(out[0], sound.name)
    time.sleep(0.3)
    rate = client.samplerate
    period = client.blocksize * 1000.0 / rate

    # Latency: one note-on (and its note-off) every 5 ms.
    expected = []
    for i in range(count):
        key, velocity = i % 128, 1 + (i // 128) % 127
        with lock:
            to_send.append(bytes([0x90, key, velocity]))
            to_send.append(bytes([0x80, key, 0]))
        expected.append(bytes([0x90, key, velocity]))
        time.sleep(0.005)
    while to_send:
        time.sleep(0.01)
    time.sleep(0.5)
    ons = [(f, d) for f, d in received if d[0] == 0x90]
    sends = sent_frames[0::2]
    lost = count - len(ons)
    latencies = sorted((f - s) * 1000.0 / rate for (f, d), s in zip(ons, sends))
    in_order = [d for _, d in ons] == expected[:len(ons)]
    p50 = statistics.median(latencies)
    p99 = latencies[int(0.99 * (len(latencies) - 1))]
    print(f"period {client.blocksize} frames ({period:.2f} ms): {count} notes, lost {lost}, "
          f"in order {in_order}, p50 {p50:.2f} ms, p99 {p99:.2f} ms, max {latencies[-1]:.2f} ms")

    # Burst: as fast as JACK takes them (32 a cycle), in an order that can be checked.
    received.clear()
    per_cycle = 32
    # note-on/note-off pairs, so the note pool never fills
    burst_expected = [bytes([0x90 if i % 2 == 0 else 0x80, (i // 2) % 128, 1 + (i // 256) % 127])
                      for i in range(burst)]
    with lock:
        to_send.extend(burst_expected)
    deadline = time.monotonic() + 30
    while (to_send or len(received) < burst) and time.monotonic() < deadline:
        time.sleep(0.05)
    time.sleep(0.5)
    # a note-off goes out with its note-on's velocity
    got = [d for _, d in received]
    burst_expected = [bytes([m[0], m[1], burst_expected[i - 1][2] if m[0] == 0x80 else m[2]])
                      for i, m in enumerate(burst_expected)]
    print(f"burst of {burst}: received {len(got)}, lost {burst - len(got)}, in order {got == burst_expected[:len(got)]}")
finally:
    if proc is not None:
        proc.terminate()
        proc.wait(timeout=20)
    client.deactivate()
    client.close()
