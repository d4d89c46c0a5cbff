#!/usr/bin/python3
"""The tonwerk program's start-up, screen switch and MIDI-through time, on a virtual display and a
JACK server (run inside tests/e2e/run-with-jack).

1. Start-up: from starting the process to its first screen painted, 10 times (median, range).
2. Screen switch: from the switch to the next screen painted, clicking DJ -> Master -> Rock -> DJ.
3. MIDI through on the DJ screen while its pads and meters animate: NOTES notes (on and off) on
   pad keys, one every four periods, timed in JACK frames from the send to the routed message's
   arrival; p50, p99, max and lost. The program's own report of the longest event its user-interface
   thread handled while playing comes at its exit.
Usage: program_latency.py TONWERK TONWERK_CLI WORK_DIR [NOTES]
"""
import os
import re
import statistics
import sys
import threading
import time

import jack

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from program_host import ProgramHost  # noqa: E402  (the tests' own helper, found beside them)

program, cli, work = sys.argv[1], sys.argv[2], sys.argv[3]
note_count = int(sys.argv[4]) if len(sys.argv) > 4 else 2000
host = ProgramHost(program, cli, work, [{"state": 1}],
                   "[Options]\nMidiInDeviceName=latency:keys\nMidiOutDeviceName=latency:sound\n",
                   extra_env={"TONWERK_TIMING": "1"})
xdotool = host.xdotool
windows = host.windows

client = jack.Client("latency", no_start_server=True)
keys = client.midi_outports.register("keys")
sound = client.midi_inports.register("sound")
lock = threading.Lock()
queue = []        # messages to send, one per cycle that sends
sent_at = {}      # (status, key, velocity) -> frame sent
arrivals = []     # (frame, bytes)
state = {"cycle": 0}


@client.set_process_callback
def process(frames):
    keys.clear_buffer()
    state["cycle"] += 1
    base = client.last_frame_time
    if state["cycle"] % 4 == 0:
        with lock:
            message = queue.pop(0) if queue else None
        if message is not None:
            keys.write_midi_event(0, message)
            sent_at[message] = base
    for offset, data in sound.incoming_midi_events():
        arrivals.append((base + offset, bytes(data)))


client.activate()
period = client.blocksize
rate = client.samplerate

def start():
    """Starts the program; returns it and the seconds until its first screen painted."""
    began = time.monotonic()
    proc = host.start()
    while True:
        line = proc.stderr.readline()
        if not line:
            break
        if "first screen painted" in line:
            return proc, time.monotonic() - began
    raise AssertionError("no first paint: status %s" % proc.wait())


def exit_with_yes():
    """Exit (on the DJ and Rock screens) answered Yes."""
    for wid in windows()[-1:]:
        host.click(wid, 292, 508, settle=0)
    host.answer("alt+y")


def finish_after_reader(proc, reader):
    """Exit answered Yes while another thread reads the program's stderr."""
    exit_with_yes()
    proc.wait(timeout=20)
    reader.join(timeout=5)


def finish(proc):
    """Exit answered Yes; returns the program's remaining timing lines."""
    exit_with_yes()
    rest = proc.stderr.read()
    proc.wait(timeout=20)
    return rest


try:
    times = []
    for _ in range(10):
        proc, seconds = start()
        times.append(seconds * 1000)
        while not windows():
            time.sleep(0.05)
        time.sleep(0.3)
        finish(proc)  # a clean exit: the next start finds the JACK server without a dead client
    print("start-up to the first screen painted: median %.0f ms (%.0f-%.0f) over %d starts"
          % (statistics.median(times), min(times), max(times), len(times)))

    proc, _ = start()
    while not windows():
        time.sleep(0.05)
    switches = []
    for x, y in ((716, 212), (716, 193), (716, 175)):  # Master, Rock, DJ buttons
        time.sleep(0.5)
        host.click(windows()[-1], x, y, settle=0)
        while True:
            line = proc.stderr.readline()
            if not line:
                raise AssertionError("the program ended during the switches")
            match = re.search(r"painted ([0-9.]+) ms after the switch", line)
            if match:
                switches.append(float(match.group(1)))
                break
    print("screen switch to the next screen painted: %s ms" % ", ".join("%.1f" % s for s in switches))

    # The program's report of the longest event of each second, read while the stream runs.
    seconds = []
    reading = {"on": False}

    def read_reports():
        while True:
            line = proc.stderr.readline()
            if not line:
                return
            match = re.search(r"longest event of the second ([0-9.]+) ms \(type (\d+)\), longest on the CPU ([0-9.]+)",
                              line)
            if match and reading["on"]:
                seconds.append((float(match.group(1)), int(match.group(2)), float(match.group(3))))

    reader = threading.Thread(target=read_reports, daemon=True)
    reader.start()

    # The stream: pad keys of both arcs, so pads light and meters move on the DJ screen.
    time.sleep(1.5)
    reading["on"] = True
    arrivals.clear()
    pad_keys = list(range(36, 44)) + list(range(84, 92))
    messages = []
    for i in range(note_count // 2):
        key = pad_keys[i % len(pad_keys)]
        velocity = 1 + i % 127
        messages.append(bytes([0x90, key, velocity]))
        messages.append(bytes([0x80, key, velocity]))
    with lock:
        queue.extend(messages)
    deadline = time.monotonic() + len(messages) * 4 * period / rate + 5
    while time.monotonic() < deadline and (queue or len(arrivals) < len(messages)):
        time.sleep(0.1)
    time.sleep(0.5)
    reading["on"] = False
    latencies = []
    seen = set()
    for frame, data in arrivals:
        if len(data) != 3:
            continue
        kind = data[0] & 0xF0
        off = kind == 0x80 or (kind == 0x90 and data[2] == 0)
        sent_key = None if off else bytes([0x90, data[1], data[2]])
        if sent_key is None:
            # A note-off comes back with its own velocity or none: match the oldest unmatched one.
            candidates = [m for m in sent_at if m[0] == 0x80 and m[1] == data[1] and m not in seen]
            sent_key = candidates[0] if candidates else None
        if sent_key in sent_at and sent_key not in seen:
            seen.add(sent_key)
            latencies.append((frame - sent_at[sent_key]) * 1000.0 / rate)
    lost = len(messages) - len(latencies)
    latencies.sort()
    if latencies:
        p50 = latencies[len(latencies) // 2]
        p99 = latencies[min(len(latencies) - 1, int(len(latencies) * 0.99))]
        print("MIDI through the program, DJ screen, %d frames (%.2f ms): %d messages, p50 %.2f ms, p99 %.2f ms, "
              "max %.2f ms, lost %d" % (period, period * 1000.0 / rate, len(messages), p50, p99, latencies[-1], lost))
    if seconds:
        longest = max(seconds)
        print("user-interface thread while the stream ran: longest event %.3f ms (Qt event type %d), "
              "%d of %d seconds above 1 ms; longest on the CPU %.3f ms"
              % (longest[0], longest[1], sum(1 for s in seconds if s[0] > 1.0), len(seconds),
                 max(s[2] for s in seconds)))
    finish_after_reader(proc, reader)
finally:
    host.close()
    client.deactivate()
    client.close()
