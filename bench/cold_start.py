#!/usr/bin/python3
"""Cold start of the installed program to its first painted screen, on a virtual display and a JACK
server (run inside tests/e2e/run-with-jack): ten starts each with an empty settings folder, and with
a settings file naming a setup, MIDI ports and a sound device that are not there. Each start must
paint its screen, say once what is missing (a line of the program's, or one box, which is answered),
and play: pad 1 of the demo is clicked and a JACK client must hear it.
Usage: cold_start.py PREFIX/bin/tonwerk TONWERK_CLI WORK_DIR [STARTS]
"""
import os
import signal
import statistics
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from program_host import MidiTester, ProgramHost  # noqa: E402  (the tests' own helper)

program, cli, work = sys.argv[1], sys.argv[2], sys.argv[3]
starts = int(sys.argv[4]) if len(sys.argv) > 4 else 10
CASES = {
    "empty settings folder": None,
    "missing setup": "[Path]\naktuelles Setup=/gone/Gig.mks\n[Setup]\nSetup beim Start laden=1\n",
    "missing ports": "[Options]\nMidiInDeviceName=gone:Keystation\nMidiOutDeviceName=gone:Synth\n",
    "missing sound device": "[DS-Treiber GUID]\nData1=305419896\nData2=4660\nData3=22136\nData4_1=1\n"
                            "DS-Treiber Name=alsa: USB Audio CODEC\n",
}
PAD1 = (151, 525)  # the DJ screen at 100 %
tester = MidiTester("coldstart", ears=True)
failures = []
results = []


def read_lines(proc, lines):
    for line in iter(proc.stderr.readline, ""):
        lines.append(line.rstrip("\n"))


for case, settings in CASES.items():
    times = []
    said = set()
    played = 0
    for run in range(starts):
        host = ProgramHost(program, cli, os.path.join(work, "host"), None, settings,
                           extra_env={"TONWERK_TIMING": "1"})
        host.env.pop("TONWERK_AUDIO_NONE", None)
        lines = []
        began = time.monotonic()
        proc = host.start()
        reader = threading.Thread(target=read_lines, args=(proc, lines), daemon=True)
        reader.start()
        painted = None
        while painted is None and time.monotonic() - began < 60:
            if any("first screen painted" in line for line in lines):
                painted = time.monotonic() - began
            time.sleep(0.002)
        if painted is None:
            failures.append(f"{case}: no first paint")
            proc.kill()
            host.close()
            continue
        times.append(painted * 1000)
        # A box that says what is missing is answered; the screen then plays.
        time.sleep(1.0)
        boxes = host.windows("^(Error|Warning|Notice)$")
        for box in boxes:
            host.xdotool("windowfocus", "--sync", box, check=False)
            host.xdotool("key", "Return")
            time.sleep(0.3)
        tester.listen_to_program()
        dj = host.windows("ORVAN Tonwerk")[-1]
        began_playing = time.monotonic()
        host.click(dj, *PAD1)
        time.sleep(0.6)
        played += tester.loudest_since(began_playing) > 0.05
        messages = [line for line in lines if line.startswith("Tonwerk: ")]
        said.add((len(boxes), tuple(messages)))
        proc.send_signal(signal.SIGTERM)
        proc.wait(timeout=30)
        host.close()
    results.append((case, times, said, played))

tester.close()
for case, times, said, played in results:
    print(f"{case}: first screen painted, median {statistics.median(times):.0f} ms "
          f"({min(times):.0f}-{max(times):.0f}) over {len(times)} starts; pad 1 heard {played} times")
    for boxes, messages in sorted(said):
        print(f"    {boxes} box(es); said: {' | '.join(messages) if messages else 'nothing'}")
    if played != starts:
        failures.append(f"{case}: pad 1 was heard in {played} of {starts} starts")
if failures:
    print("FAILED:\n  " + "\n  ".join(failures))
    sys.exit(1)
