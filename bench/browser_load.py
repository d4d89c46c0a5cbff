#!/usr/bin/python3
"""The tonwerk program's file browser under load, on a virtual display and a JACK server (run inside
tests/e2e/run-with-jack): a style with two folders of 5 000 samples each; xdotool chooses one folder
and then the other in the folder list every 250 ms, so the media list is filled with 5 000 names
again and again, while a JACK client streams MIDI through the program. Measured: MIDI through
(p50, p99, max, lost) during the fills, and the user-interface thread's longest event.
Usage: browser_load.py TONWERK TONWERK_CLI WORK_DIR [NOTES]
"""
import os
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from program_host import ProgramHost  # noqa: E402  (the tests' own helper, found beside them)
from midi_stream import MidiStream, TimingReports  # noqa: E402

program, cli, work = sys.argv[1], sys.argv[2], sys.argv[3]
note_count = int(sys.argv[4]) if len(sys.argv) > 4 else 2000
styles = os.path.join(work, "MusicStyles")
for folder in ("A", "B"):
    path = os.path.join(styles, "Big", folder)
    os.makedirs(path, exist_ok=True)
    for i in range(5000):
        open(os.path.join(path, "Loop %s %04d %s.wav" % (folder, i, "124bpm" if i % 2 else "x")), "w").close()
os.makedirs(os.path.join(styles, "Big", "Setups"), exist_ok=True)

host = ProgramHost(program, cli, os.path.join(work, "host"), [{"state": 1}],
                   "[Options]\nMidiInDeviceName=browse:keys\nMidiOutDeviceName=browse:sound\n"
                   "[Path]\nStyle-Pfad=%s\nStyle-Pos=1\n" % styles, extra_env={"TONWERK_TIMING": "1"})
stream = MidiStream("browse")
try:
    proc = host.start()
    dj = host.window("ORVAN Tonwerk")
    reports = TimingReports(proc)
    time.sleep(1.5)
    result = {}

    def play():
        result["latencies"] = stream.play(stream.notes(note_count, list(range(36, 44)) + list(range(84, 92))))

    reports.on = True
    player = threading.Thread(target=play)
    player.start()
    fills = 0
    while player.is_alive():
        for y in (312, 325):  # the folder list's entries [A] and [B]
            host.click(dj, 150, y, hold=0.02, settle=0.23)
            fills += 1
    player.join()
    reports.on = False
    latencies, lost = result["latencies"]
    print("folder list: %d fills of 5000 names while the stream ran" % fills)
    print(stream.summary("MIDI through the program during the fills", latencies, lost))
    print(reports.ui_summary("user-interface thread meanwhile"))
    host.exit(dj)
finally:
    host.close()
    stream.close()
