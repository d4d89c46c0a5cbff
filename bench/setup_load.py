#!/usr/bin/python3
"""Loading a setup of 24 sample splits from the setup list, as a performer does, on a virtual
display and a JACK server (run inside tests/e2e/run-with-jack): 24 WAVE files of 10 s each (44.1 kHz
16-bit stereo, 42 MB in all) on one-shot splits, keys 40-63. xdotool double-clicks the setup; a JACK
client plays the key of the split loaded last every 10 ms and hears the program's output. Measured
per load: double-click to that first sound, with the files in the page cache ("warm") and, when
the machine allows it, with the caches dropped first ("cold").
Usage: setup_load.py TONWERK TONWERK_CLI WORK_DIR [ROUNDS]
"""
import json
import math
import os
import struct
import subprocess
import sys
import threading
import time
import wave

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from program_host import MidiTester, ProgramHost  # noqa: E402  (the tests' own helper, found beside them)

program, cli, work = sys.argv[1], sys.argv[2], sys.argv[3]
rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 5
styles = os.path.join(work, "MusicStyles")
samples = os.path.join(styles, "Big", "Loops")
setups = os.path.join(styles, "Big", "Setups")
os.makedirs(samples, exist_ok=True)
os.makedirs(setups, exist_ok=True)
splits = []
for i in range(24):
    path = os.path.join(samples, "Loop %02d.wav" % (i + 1))
    frames = b"".join(struct.pack("<hh", v, v) for v in
                      (int(9000 * math.sin(2 * math.pi * (220 + 10 * i) * n / 44100)) for n in range(44100)))
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(44100)
        for _ in range(10):
            w.writeframes(frames)
    key = 40 + i
    splits.append({"state": 1, "task": 2, "fileName": path, "sampleMode": 2, "rootNote": key, "keyLow": key,
                   "keyHigh": key, "screenMask": 4})
subprocess.run([cli, "setup", "make", os.path.join(setups, "Big.mks")],
               input=json.dumps({"setups": [{"splits": splits}]}), text=True, check=True)
subprocess.run([cli, "setup", "make", os.path.join(setups, "Empty.mks")],
               input=json.dumps({"setups": [{"splits": [{"state": 1, "screenMask": 4}]}]}), text=True, check=True)

host = ProgramHost(program, cli, os.path.join(work, "host"), [{"state": 0}],
                   "[Options]\nMidiInDeviceName=load:keys\nMidiOutDeviceName=load:sound\n"
                   "[Path]\nStyle-Pfad=%s\nStyle-Pos=1\n" % styles)
host.env.pop("TONWERK_AUDIO_NONE", None)  # the sound goes to the JACK server
tester = MidiTester("load", ears=True)


def can_drop_caches():
    try:
        with open("/proc/sys/vm/drop_caches", "w") as f:
            f.write("3\n")
        return True
    except OSError:
        return False


def load_once(dj, entry_y, last_key):
    """Double-clicks the setup list's entry at ENTRY_Y and plays LAST_KEY every 10 ms until it is
    heard: the seconds from the double-click to the sound."""
    heard = {}

    def play():
        while "at" not in heard and time.monotonic() - began < 20:
            tester.send([0x90, last_key, 100])
            time.sleep(0.005)
            tester.send([0x80, last_key, 0])
            time.sleep(0.005)
            loud = [t for t, p in list(tester.peaks) if t >= began and p > 0.02]
            if loud:
                heard["at"] = loud[0]

    host.xdotool("mousemove", "--window", dj, "600", str(entry_y))
    time.sleep(0.2)
    began = time.monotonic()
    host.xdotool("click", "--repeat", "2", "--delay", "60", "1")
    player = threading.Thread(target=play)
    player.start()
    player.join()
    return heard.get("at", float("nan")) - began


def median(values):
    ordered = sorted(values)
    return ordered[len(ordered) // 2]


try:
    proc = host.start()
    dj = host.window("ORVAN Tonwerk")
    tester.listen_to_program()
    # The setup list: "Big.mks" first, "Empty.mks" second (entries 13 px apart from its top).
    kinds = [("warm", False)] + ([("cold", True)] if can_drop_caches() else [])
    for kind, cold in kinds:
        times = []
        for _ in range(rounds):
            host.xdotool("mousemove", "--window", dj, "600", "311")
            host.xdotool("click", "--repeat", "2", "--delay", "60", "1")  # the empty setup: silence
            time.sleep(1.0)
            if cold:
                subprocess.run(["sync"], check=True)
                can_drop_caches()
            times.append(load_once(dj, 298, 63))
            time.sleep(0.5)
        print("setup of 24 ten-second samples, %s: double-click to first sound median %.0f ms, worst %.0f ms "
              "(%s)" % (kind, 1000 * median(times), 1000 * max(times), ", ".join("%.0f" % (1000 * t) for t in times)))
    host.exit(dj)
finally:
    host.close()
    tester.close()
