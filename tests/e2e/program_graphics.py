#!/usr/bin/python3
"""End to end: the graphics window of the tonwerk program on a virtual X display with JACK.

The start-up setup holds a clip on key 60 and a MIDI split below it. "zoom" on the DJ screen opens
the graphics window where the settings put it; the clip's key played by a JACK client makes it
play, and pictures grabbed from the display match the clip's frames as the ffmpeg tool decodes
them (and move on as the clip runs). A note key typed on the graphics window sounds as on the
screen. Escape closes it; moved first, it opens again at the new place. Exit with the window open
brings it back at the next start.
Usage: program_graphics.py TONWERK TONWERK_CLI WORK_DIR
"""
import os
import re
import subprocess
import sys
import time

from program_host import MidiTester, ProgramHost, finish

program, cli, work = sys.argv[1], sys.argv[2], sys.argv[3]
W, H = 160, 120            # the clip
WIN_W, WIN_H = 320, 240    # the graphics window's client area, as the settings put it
FRAMES = 50

host_work = os.path.join(work, "host")
os.makedirs(work, exist_ok=True)
clip = os.path.join(work, "clip.avi")
subprocess.run(["ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "lavfi", "-i",
                f"testsrc=size={W}x{H}:rate=25", "-frames:v", str(FRAMES), "-c:v", "mjpeg", "-q:v", "2", clip],
               check=True)
# The clip's frames as ffmpeg decodes them, at the window's size (pixels repeated, as the program
# scales them).
decoded = subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-i", clip, "-vf",
                          f"scale={WIN_W}:{WIN_H}:flags=neighbor", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                         check=True, capture_output=True).stdout
frame_bytes = WIN_W * WIN_H * 3
frames = [decoded[i * frame_bytes:(i + 1) * frame_bytes] for i in range(len(decoded) // frame_bytes)]
assert len(frames) == FRAMES, len(frames)

splits = [
    {"state": 1, "task": 3, "keyLow": 60, "keyHigh": 60, "rootNote": 60, "fileName": clip,
     "video": {"optionFlags": 2}},
    {"state": 1, "keyLow": 0, "keyHigh": 59, "midiOutChannel": 2},
]
host = ProgramHost(program, cli, host_work, splits,
                   "[Options]\nMidiInDeviceName=gfx:keys\nMidiOutDeviceName=gfx:sound\n"
                   "[Graphic]\nGrafikWndLeft=600\nGrafikWndTop=100\nGrafikWndRight=%d\nGrafikWndBottom=%d\n"
                   % (600 + WIN_W, 100 + WIN_H))
xdotool, window, click = host.xdotool, host.window, host.click
settings_file = os.path.join(host_work, "config", "tonwerk", "Tonwerk.ini")

tester = MidiTester("gfx")
send = tester.send


def take(wait=0.15):
    return [m for m in tester.take(wait) if m[0] & 0xF0 in (0x80, 0x90)]


geometry, grab = host.geometry, host.grab


def difference(a, b):
    """Mean absolute difference per byte, over every 7th byte (plenty for a match)."""
    step = 7
    total = sum(abs(a[i] - b[i]) for i in range(0, len(a), step))
    return total / (len(a) // step)


def best_match(picture):
    scores = [difference(picture, f) for f in frames]
    best = min(range(len(scores)), key=scores.__getitem__)
    return best, scores[best]


def graphics_window(timeout=10.0):
    # xdotool takes the name as a pattern.
    return window(re.escape("Video (%d x %d)" % (WIN_W, WIN_H)), timeout)


def zoom(screen):
    click(screen, 317 + 164 // 2, 243 + 4)


failures = []
try:
    proc = host.start()
    dj = window("ORVAN Tonwerk")
    time.sleep(0.5)
    take()

    # "zoom" opens the graphics window where the settings put it.
    zoom(dj)
    gfx = graphics_window()
    place = geometry(gfx)
    if place != (600, 100, WIN_W, WIN_H):
        failures.append(f"the window opened at {place}, not at the stored place")

    # The clip's key: the window shows its frames, and they move on.
    send([0x90, 60, 100])
    time.sleep(0.6)
    first, first_score = best_match(grab(gfx))
    time.sleep(0.5)
    second, second_score = best_match(grab(gfx))
    black = difference(bytes(frame_bytes), frames[first])
    print(f"grabbed frames {first} ({first_score:.1f}) and {second} ({second_score:.1f}); black differs by {black:.1f}")
    if first_score > 8 or second_score > 8:
        failures.append(f"the window does not show the clip's frames: {first_score:.1f}, {second_score:.1f}")
    if first == second:
        failures.append(f"the clip stands still at frame {first}")
    send([0x80, 60, 0])

    # A note key typed on the graphics window plays as on the screen (Z: note 50 on the DJ screen).
    xdotool("windowfocus", "--sync", gfx, check=False)
    take()
    xdotool("keydown", "z")
    got = take()
    if not got or got[0][:2] != bytes([0x92, 50]):
        failures.append(f"Z on the graphics window played {got}")
    xdotool("keyup", "z")
    got = take()
    if len(got) != 1 or got[0][1] != 50 or not (got[0][0] == 0x82 or got[0][2] == 0):
        failures.append(f"releasing Z on the graphics window sent {got}")

    # Moved, then closed with Escape: it opens again at the new place.
    xdotool("windowmove", "--sync", gfx, "700", "150", check=False)
    time.sleep(0.3)
    moved = geometry(gfx)
    xdotool("windowfocus", "--sync", gfx, check=False)
    xdotool("key", "Escape")
    deadline = time.monotonic() + 5
    while host.windows("^Video") and time.monotonic() < deadline:
        time.sleep(0.05)
    if host.windows("^Video"):
        failures.append("Escape did not close the graphics window")
    if not host.windows("ORVAN Tonwerk"):
        failures.append("Escape on the graphics window ended the screen")
    zoom(dj)
    gfx = graphics_window()
    again = geometry(gfx)
    if again != moved:
        failures.append(f"the window opened again at {again}, not where it was left ({moved})")

    # Exit with the window open: it is marked open and comes back at the next start.
    click(dj, 256 + 36, 497 + 11)
    host.answer("alt+y")
    status = proc.wait(timeout=20)
    if status != 0:
        failures.append(f"the program ended with {status}")
    with open(settings_file, encoding="latin-1") as f:
        stored = f.read()
    if "Grafikfenster offen=1" not in stored:
        failures.append("the open window was not kept for the next start")
    proc = host.start()
    window("ORVAN Tonwerk")
    gfx = graphics_window()
    if geometry(gfx) != moved:
        failures.append(f"at the next start the window opened at {geometry(gfx)}, not at {moved}")
    xdotool("windowfocus", "--sync", gfx, check=False)
    xdotool("key", "Escape")
    time.sleep(0.3)
    dj = window("ORVAN Tonwerk")
    host.exit(dj)
    with open(settings_file, encoding="latin-1") as f:
        stored = f.read()
    if "Grafikfenster offen=0" not in stored:
        failures.append("a window closed by the performer is still marked open")
finally:
    host.close()
    tester.close()

finish(failures, "graphics window end to end")
