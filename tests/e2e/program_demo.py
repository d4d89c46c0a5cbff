#!/usr/bin/python3
"""End to end: the demo as a new user meets it. The build is installed with `cmake --install` into a
fresh prefix, and the installed program starts there with no settings of its own, on a virtual X
display with JACK. It must open on the demo's start-up setup: pad 1 sounds (heard by a JACK
client), the loop on pad 7 keeps playing after its click and stops at the next, Video 1 shows its
clip in the monitor, pad 1's wave dialog plays its sample, and the browser lists the demo's setup,
which loads on a double-click.
HELP opens the manual the program carries. The installation also holds the desktop's launcher entry, description and icons, the manual and
tonwerk-cli's man page.
Usage: program_demo.py BUILD_DIR TONWERK_CLI WORK_DIR
"""
import os
import shutil
import subprocess
import sys
import time

from program_host import MidiTester, ProgramHost, finish

build, cli, work = sys.argv[1], sys.argv[2], sys.argv[3]
shutil.rmtree(work, ignore_errors=True)
prefix = os.path.join(work, "prefix")
subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True, capture_output=True)
for path in ("bin/tonwerk", "share/tonwerk/StartUp.mks", "share/tonwerk/MusicStyles/Demo/bpm.inf",
             "share/tonwerk/MusicStyles/Demo/Setups/Demo.mks", "share/tonwerk/MusicStyles/Demo/Drums/Kick.wav",
             "share/tonwerk/MusicStyles/Demo/Clips/Test Card.avi",
             # the desktop's entry, description and icons, the manual and the man page
             "share/applications/org.tonwerk.Tonwerk.desktop", "share/metainfo/org.tonwerk.Tonwerk.metainfo.xml",
             "share/icons/hicolor/scalable/apps/org.tonwerk.Tonwerk.svg",
             "share/icons/hicolor/48x48/apps/org.tonwerk.Tonwerk.png", "share/man/man1/tonwerk-cli.1",
             "share/doc/tonwerk/README.md", "share/doc/tonwerk/docs/manual.md", "bin/tonwerk-cli"):
    if not os.path.isfile(os.path.join(prefix, path)):
        print("FAILED: the installation has no " + path)
        sys.exit(1)

host = ProgramHost(os.path.join(prefix, "bin", "tonwerk"), cli, os.path.join(work, "host"), None, None)
host.env.pop("TONWERK_AUDIO_NONE", None)  # the sound goes to the JACK server
xdotool, click = host.xdotool, host.click
tester = MidiTester("demo", ears=True)

# Window points of the DJ screen at 100 %.
PAD1, PAD7, VIDEO1 = (151, 525), (257, 458), (228, 205)
MONITOR = (325, 125, 475, 235)  # left, top, right, bottom: inside the monitor's frame


def loudness(seconds):
    began = time.monotonic()
    time.sleep(seconds)
    return tester.loudest_since(began)


def monitor_brightness(wid):
    pixels = host.grab(wid)
    width = host.geometry(wid)[2]
    left, top, right, bottom = MONITOR
    total = count = 0
    for y in range(top, bottom, 3):
        row = y * width * 3
        for x in range(left, right, 3):
            total += sum(pixels[row + 3 * x: row + 3 * x + 3])
            count += 3
    return total / count


failures = []
try:
    proc = host.start()
    dj = host.window("ORVAN Tonwerk  StartUp.mks")
    tester.listen_to_program()

    quiet = loudness(0.3)
    began = time.monotonic()
    click(dj, *PAD1, hold=0.1, settle=0.4)
    kick = tester.loudest_since(began)
    print(f"before {quiet:.4f}, pad 1 {kick:.4f}")
    if quiet > 0.01 or kick < 0.05:
        failures.append(f"pad 1 of the demo did not sound (before {quiet:.4f}, after {kick:.4f})")

    click(dj, *PAD7, settle=0.5)
    looping = loudness(1.0)
    click(dj, *PAD7, settle=0.5)
    stopped = loudness(0.5)
    print(f"loop on pad 7: {looping:.4f} while latched, {stopped:.4f} after the second click")
    if looping < 0.05 or stopped > 0.01:
        failures.append(f"the loop on pad 7 did not latch and stop ({looping:.4f}, {stopped:.4f})")

    dark = monitor_brightness(dj)
    click(dj, *VIDEO1, settle=0.8)
    lit = monitor_brightness(dj)
    click(dj, *VIDEO1, settle=0.3)
    print(f"monitor brightness {dark:.1f} before Video 1, {lit:.1f} while its clip runs")
    if lit < dark + 30:
        failures.append(f"Video 1 did not show the demo clip ({dark:.1f} -> {lit:.1f})")

    # Pad 1's wave dialog (a double-click on the pad): Play (Alt+P) is heard through JACK, and
    # Escape closes it.
    xdotool("mousemove", "--window", dj, str(PAD1[0]), str(PAD1[1]))
    xdotool("click", "--repeat", "2", "--delay", "80", "1")
    wave = host.window("Wave Dialog", timeout=5)
    xdotool("windowfocus", "--sync", wave, check=False)
    time.sleep(1.0)  # the pad's own kick from the double-click dies away
    before = loudness(0.3)
    began = time.monotonic()
    xdotool("key", "alt+p")
    time.sleep(0.5)
    played = tester.loudest_since(began)
    print(f"wave dialog: {before:.4f} before Play, {played:.4f} after")
    if before > 0.01 or played < 0.05:
        failures.append(f"the wave dialog's Play was not heard ({before:.4f} -> {played:.4f})")
    xdotool("key", "Escape")
    time.sleep(0.5)
    if wave in host.windows("Wave Dialog"):
        failures.append("Escape did not close the wave dialog")

    # The setup list's first entry: the demo's own setup.
    xdotool("mousemove", "--window", dj, "600", "298")
    xdotool("click", "--repeat", "2", "--delay", "80", "1")
    try:
        host.window("ORVAN Tonwerk  Demo.mks", timeout=5)
    except AssertionError:
        failures.append("the setup list did not offer the demo's setup")

    # HELP opens the manual the installed program carries, at the DJ screen's section: a window of
    # its own with text and the screen's picture in it.
    click(dj, 468 + 36, 497 + 11, settle=0.5)
    try:
        helpwin = host.window("Tonwerk Help", timeout=5)
        time.sleep(0.5)
        pixels = host.grab(helpwin)
        count = len(pixels) // 3
        dark = sum(1 for i in range(0, len(pixels), 3 * 7) if sum(pixels[i:i + 3]) < 150)
        green = sum(1 for i in range(0, len(pixels), 3 * 7) if pixels[i + 1] > 100 and pixels[i] < 60)
        print(f"help window: {dark} dark and {green} green of {count // 7} pixels looked at")
        if dark < 50 or green < 50:
            failures.append(f"the help window shows no manual (dark {dark}, green {green})")
    except AssertionError:
        failures.append("HELP opened no help window")
    if proc.poll() is not None:
        failures.append(f"the program ended: {proc.stderr.read()}")
finally:
    host.close()
    tester.close()

finish(failures, "demo end to end")
