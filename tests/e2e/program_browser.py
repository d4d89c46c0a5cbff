#!/usr/bin/python3
"""End to end: the file browser of the tonwerk program on a virtual X display with JACK.

The settings point the browser at a music-style library: the style "House" with a folder of
samples and a setup. xdotool drags the sample from the media list onto pad 4 of the DJ screen and
clicks the pad: a JACK client hears the program's sound output, silent on the same click before the
drop. Double-clicking the setup in the setup list loads it: its routing (every key to channel 7)
is heard at the MIDI output.
Usage: program_browser.py TONWERK TONWERK_CLI WORK_DIR
"""
import json
import math
import os
import struct
import subprocess
import sys
import time
import wave

from program_host import MidiTester, ProgramHost, finish

program, cli, work = sys.argv[1], sys.argv[2], sys.argv[3]
os.makedirs(work, exist_ok=True)
styles = os.path.join(work, "MusicStyles")
drums = os.path.join(styles, "House", "Drums")
setups = os.path.join(styles, "House", "Setups")
os.makedirs(drums, exist_ok=True)
os.makedirs(setups, exist_ok=True)
with wave.open(os.path.join(drums, "tone.wav"), "wb") as w:
    w.setnchannels(2)
    w.setsampwidth(2)
    w.setframerate(22050)
    w.writeframes(b"".join(struct.pack("<hh", v, v) for v in
                           (int(12000 * math.sin(2 * math.pi * 441 * i / 22050)) for i in range(44100))))
route = {"state": 1, "keyLow": 0, "keyHigh": 127, "midiOutChannel": 6, "screenMask": 4}
subprocess.run([cli, "setup", "make", os.path.join(setups, "Route.mks")],
               input=json.dumps({"setups": [{"splits": [route]}]}), text=True, check=True)

# The start-up setup: pad 4 (key 39) plays split 4, a MIDI split until a sample is dropped on it.
start = [{"state": 0}, {"state": 0}, {"state": 0}, {"state": 1, "keyLow": 39, "keyHigh": 39, "midiOutChannel": 3}]
host = ProgramHost(program, cli, os.path.join(work, "host"), start,
                   "[Options]\nMidiInDeviceName=browser:keys\nMidiOutDeviceName=browser:sound\n"
                   "[Path]\nStyle-Pfad=%s\nStyle-Pos=1\n" % styles)
host.env.pop("TONWERK_AUDIO_NONE", None)  # the sound goes to the JACK server
xdotool, window, click = host.xdotool, host.window, host.click

tester = MidiTester("browser", ears=True)


def pad4_sounds():
    """Clicks pad 4 and says how loud the program's output was meanwhile."""
    began = time.monotonic()
    xdotool("mousemove", "--window", dj, "97", "436")
    xdotool("mousedown", "1")
    time.sleep(0.5)
    loud = tester.loudest_since(began)
    xdotool("mouseup", "1")
    time.sleep(0.3)
    return loud


failures = []
try:
    proc = host.start()
    dj = window("ORVAN Tonwerk")
    tester.listen_to_program()

    before = pad4_sounds()
    if before > 0.01:
        failures.append(f"pad 4 sounded before a sample was dropped on it ({before:.3f})")

    # The sample from the media list's first entry onto pad 4.
    xdotool("mousemove", "--window", dj, "262", "319")
    xdotool("mousedown", "1")
    for x, y in ((250, 330), (220, 360), (180, 390), (130, 420), (100, 434), (97, 436)):
        time.sleep(0.08)
        xdotool("mousemove", "--window", dj, str(x), str(y))
    time.sleep(0.2)
    xdotool("mouseup", "1")
    time.sleep(0.6)
    after = pad4_sounds()
    print(f"pad 4 before the drop {before:.4f}, after {after:.4f}")
    if after < 0.05:
        failures.append(f"pad 4 did not sound after the drop ({after:.4f})")

    # The setup list's first entry, double-clicked: its routing is heard.
    xdotool("mousemove", "--window", dj, "600", "298")
    xdotool("click", "--repeat", "2", "--delay", "80", "1")
    time.sleep(1.0)
    tester.take(0)
    tester.send([0x90, 64, 100])
    time.sleep(0.3)
    tester.send([0x80, 64, 0])
    got = [m for m in tester.take(0.3) if m[0] & 0xF0 in (0x80, 0x90)]
    if not got or got[0][:2] != bytes([0x96, 64]):
        failures.append(f"the setup from the list did not route key 64 to channel 7: {got}")
    if dj not in host.windows():
        failures.append("the DJ screen closed: the setup asks for the DJ screen")
finally:
    host.close()
    tester.close()

finish(failures, "file browser end to end")
