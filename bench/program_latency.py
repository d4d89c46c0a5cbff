#!/usr/bin/python3
"""The tonwerk program's start-up, screen switch and MIDI-through time, on a virtual display and a
JACK server (run inside tests/e2e/run-with-jack).

1. Start-up: from starting the process to its first screen painted, 10 times (median, range).
2. Screen switch: from the switch to the next screen painted, clicking DJ -> Master -> Rock -> DJ.
3. MIDI through on the DJ screen while its pads and meters animate: NOTES notes (on and off) on
   pad keys, one every four periods, timed in JACK frames from the send to the routed message's
   arrival; p50, p99, max and lost. The program's own report of the longest event its user-interface
   thread handled while playing comes at its exit.
4. A key of the PC keyboard to the note at the sound module: `xdotool keydown`/`keyup` of Z on the
   DJ screen, 200 times, from the JACK clock read just before xdotool starts to the note's arrival
   (xdotool's own start is part of it; its median is said beside).
Usage: program_latency.py TONWERK TONWERK_CLI WORK_DIR [NOTES]
"""
import os
import re
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from program_host import ProgramHost  # noqa: E402  (the tests' own helper, found beside them)
from midi_stream import MidiStream, TimingReports  # noqa: E402

program, cli, work = sys.argv[1], sys.argv[2], sys.argv[3]
note_count = int(sys.argv[4]) if len(sys.argv) > 4 else 2000
host = ProgramHost(program, cli, work, [{"state": 1}],
                   "[Options]\nMidiInDeviceName=latency:keys\nMidiOutDeviceName=latency:sound\n",
                   extra_env={"TONWERK_TIMING": "1"})
xdotool = host.xdotool
windows = host.windows
stream = MidiStream("latency")
period, rate = stream.period, stream.rate


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

    # The stream: pad keys of both arcs, so pads light and meters move on the DJ screen.
    reports = TimingReports(proc)
    time.sleep(1.5)
    reports.on = True
    latencies, lost = stream.play(stream.notes(note_count, list(range(36, 44)) + list(range(84, 92))))
    reports.on = False
    print(stream.summary("MIDI through the program, DJ screen", latencies, lost))
    print(reports.ui_summary("user-interface thread while the stream ran"))

    # PC keys by xdotool: Z is note 50 on the DJ screen.
    dj = windows()[-1]
    xdotool("windowfocus", "--sync", dj, check=False)
    starts = []
    keyed = []
    for _ in range(200):
        for action in ("keydown", "keyup"):
            count = len(stream.arrivals)
            began = stream.frame_time()
            clock = time.monotonic()
            subprocess.run(["xdotool", action, "z"], env=host.env, check=True)
            starts.append((time.monotonic() - clock) * 1000)
            deadline = time.monotonic() + 1
            while len(stream.arrivals) == count and time.monotonic() < deadline:
                time.sleep(0.001)
            if len(stream.arrivals) > count:
                frame, data = stream.arrivals[count]
                if action == "keydown" and data[0] & 0xF0 == 0x90 and data[1] == 50:
                    keyed.append((frame - began) * 1000.0 / rate)
            time.sleep(0.02)
    keyed.sort()
    if keyed:
        print("PC key (xdotool keydown Z) to the note at the sound module, %d frames: %d keys, p50 %.2f ms, "
              "p99 %.2f ms, max %.2f ms (xdotool itself runs %.2f ms median)"
              % (period, len(keyed), keyed[len(keyed) // 2], keyed[min(len(keyed) - 1, int(len(keyed) * 0.99))],
                 keyed[-1], statistics.median(starts)))
    exit_with_yes()
    proc.wait(timeout=20)
finally:
    host.close()
    stream.close()
