#!/usr/bin/python3
"""The tonwerk program with its graphics window on a virtual display and a JACK server (run inside
tests/e2e/run-with-jack): three clips play at once, each with an effect and mixed over the one
below (mix, black box, blue box 2), in a 1280 x 720 graphics window, while the DJ screen's embedded
monitor shows the same picture. Measured over SECONDS:
- the pictures the window drew each second (goal 25) and the frame ticks the composition dropped;
- the user-interface thread's longest event of each second (the program's TONWERK_TIMING report);
- MIDI through the program in that state (as bench/program_latency.py measures it without video).
Usage: graphics_load.py TONWERK TONWERK_CLI WORK_DIR [SECONDS]
"""
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from program_host import ProgramHost  # noqa: E402  (the tests' own helper, found beside them)
from midi_stream import MidiStream, TimingReports  # noqa: E402

program, cli, work = sys.argv[1], sys.argv[2], sys.argv[3]
seconds = int(sys.argv[4]) if len(sys.argv) > 4 else 60
media = os.path.join(work, "media")
os.makedirs(media, exist_ok=True)

# Three clips of 640 x 360, ten seconds each, looping.
sources = ["testsrc2=size=640x360:rate=25", "mandelbrot=size=640x360:rate=25", "smptehdbars=size=640x360:rate=25"]
clips = []
for i, source in enumerate(sources):
    clip = os.path.join(media, "clip%d.avi" % i)
    subprocess.run(["ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "lavfi", "-i", source, "-frames:v", "250",
                    "-c:v", "mjpeg", "-q:v", "3", clip], check=True)
    clips.append(clip)

MIX, STAMP, BLACK_BOX, BLUE_BOX_2 = 0x04000000, 0x400, 0x2000, 0x10000000
MIRROR, GRAYSCALE, INVERSE = 0x02, 0x8000, 0x10000
layers = [(MIX, MIRROR), (BLACK_BOX, GRAYSCALE), (BLUE_BOX_2, INVERSE)]
splits = []
for i, (clip, (mode, effect)) in enumerate(zip(clips, layers)):
    key = 96 + 2 * i
    splits.append({"state": 1, "task": 3, "keyLow": key, "keyHigh": key, "rootNote": key, "fileName": clip,
                   "loopTempo": 120,
                   "video": {"optionFlags": 2, "effectFlags": mode | effect, "mixMode": mode,
                             "blackKeyLevel": 60, "blueKeyLevel": 200}})
splits.append({"state": 1, "keyLow": 0, "keyHigh": 95})  # the MIDI through the program
settings = ("[Options]\nMidiInDeviceName=graphics:keys\nMidiOutDeviceName=graphics:sound\n"
            "[Setup]\nGrafikfenster offen=1\n"
            "[Graphic]\nGrafikWndLeft=0\nGrafikWndTop=0\nGrafikWndRight=1280\nGrafikWndBottom=720\n")
host = ProgramHost(program, cli, os.path.join(work, "host"), splits, settings, extra_env={"TONWERK_TIMING": "1"})
stream = MidiStream("graphics")

try:
    proc = host.start()
    host.window("ORVAN Tonwerk")
    host.window(r"Video \(1280 x 720\)")
    reports = TimingReports(proc)
    time.sleep(1)
    for i in range(3):
        stream.send_now([0x90, 96 + 2 * i, 127])
    time.sleep(2)  # the clips run; the first seconds fill the decoders

    # The pictures and the UI thread while nothing else plays.
    reports.on = True
    time.sleep(seconds)
    # MIDI through while the pictures go on: notes on keys below the clips.
    latencies, lost = stream.play(stream.notes(1000, list(range(36, 60))))
    reports.on = False

    drawn = [g[0] for g in reports.graphics]
    received = [g[1] for g in reports.graphics]
    dropped = sum(g[2] for g in reports.graphics)
    if drawn:
        print("graphics window 1280 x 720, three clips with effects mixed, and the monitor: %d seconds, pictures "
              "drawn per second median %d (min %d, max %d), %d drawn of %d composed, %d frame ticks dropped"
              % (len(drawn), statistics.median(drawn), min(drawn), max(drawn), sum(drawn), sum(received), dropped))
    else:
        print("no graphics reports: " + "".join(reports.lines[-5:]))
    print(reports.ui_summary("user-interface thread meanwhile"))
    print(stream.summary("MIDI through the program meanwhile", latencies, lost))
    for i in range(3):
        stream.send_now([0x80, 96 + 2 * i, 0])
    time.sleep(0.3)
    # The graphics window covers the screen: Escape closes it, then Exit.
    gfx = host.windows("^Video")[-1]
    host.xdotool("windowfocus", "--sync", gfx, check=False)
    host.xdotool("key", "Escape")
    time.sleep(0.3)
    host.exit(host.windows("ORVAN Tonwerk")[-1])
finally:
    host.close()
    stream.close()
