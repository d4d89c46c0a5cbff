#!/usr/bin/python3
"""End to end: the tonwerk program in a real window on a virtual X display, driven like a person.

A JACK MIDI client plays the keyboard and listens to the sound module. The program finds both by
the names in its settings, loads "StartUp.mks" from its program folder, and is clicked with
xdotool at the screens' table positions: pads, the velocity arrow, PANIC, screen switches. Exit
answered with Yes (Alt+Y) ends the process, and every note-off of the closing sweep arrives.
Usage: program_screens.py TONWERK TONWERK_CLI WORK_DIR
"""
import sys
import time

from program_host import MidiTester, ProgramHost

program, cli, work = sys.argv[1], sys.argv[2], sys.argv[3]
# One split for every key, sending on channel 5 with its controllers passed through: what comes out
# says the start-up setup is loaded.
host = ProgramHost(program, cli, work, [{"state": 1, "midiOutChannel": 4, "sfxFlags": 0x10}],
                   "[Options]\nMidiInDeviceName=tester:keys\nMidiOutDeviceName=tester:sound\n"
                   "[Keyboard]\nKeybOktave=3\n")
xdotool, window, click = host.xdotool, host.window, host.click

tester = MidiTester("tester")


def centre(x, y, w, h):
    return x + w // 2, y + h // 2


take = tester.take


def notes(messages):
    return [m for m in messages if m[0] & 0xF0 in (0x80, 0x90)]


try:
    started = time.monotonic()
    proc = host.start()
    dj = window("ORVAN Tonwerk")
    print("first screen after %.2f s" % (time.monotonic() - started))
    assert xdotool("getwindowname", dj) == "ORVAN Tonwerk  StartUp.mks", xdotool("getwindowname", dj)
    geometry = xdotool("getwindowgeometry", dj)
    assert "Geometry: 801x584" in geometry, geometry
    time.sleep(0.5)  # the ports are connected and the screen has settled
    take()

    # Pad 16 on the DJ screen: note 91, at the press on, at the release off, on the setup's channel.
    x, y = centre(557, 494, 30, 21)
    xdotool("mousemove", "--window", dj, str(x), str(y))
    xdotool("mousedown", "1")
    pressed = notes(take())
    assert pressed == [bytes([0x94, 91, 127])], pressed
    xdotool("mouseup", "1")
    released = notes(take())
    assert len(released) == 1 and released[0][:2] in (bytes([0x84, 91]),) or released == [bytes([0x94, 91, 0])], \
        released

    # The velocity arrow down, then pad 1: note 36 with velocity 126.
    click(dj, *centre(358, 474, 10, 6))
    take()
    click(dj, *centre(138, 515, 27, 22))
    got = notes(take())
    assert got[0] == bytes([0x94, 36, 126]), got

    # The MIDI keyboard through the program.
    tester.send([0x90, 60, 90])
    got = notes(take())
    assert got == [bytes([0x94, 60, 90])], got
    tester.send([0x80, 60, 0])
    take()

    # The PC keyboard by position: Z (the German Y) is note 50 on the DJ screen, 1 is pad 1 (36),
    # with the screen's velocity; the space bar is the pedal.
    xdotool("windowfocus", "--sync", dj, check=False)
    xdotool("keydown", "z")
    got = notes(take())
    assert got == [bytes([0x94, 50, 126])], got
    xdotool("keyup", "z")
    got = notes(take())
    assert len(got) == 1 and got[0][0] in (0x84, 0x94) and got[0][1] == 50, got
    xdotool("key", "1")
    got = notes(take())
    assert got and got[0] == bytes([0x94, 36, 126]), got
    take()
    xdotool("keydown", "space")
    got = take()
    assert bytes([0xB4, 64, 127]) in got, got
    xdotool("keyup", "space")
    got = take()
    assert bytes([0xB4, 64, 0]) in got, got

    # PANIC: all notes off on every output channel.
    click(dj, *centre(424, 491, 43, 29))
    got = take()
    all_off = {m[0] & 0x0F for m in got if m[0] & 0xF0 == 0xB0 and m[1] == 123}
    assert all_off == set(range(16)), got

    # To the Master screen and on to the Rock screen: new windows, the same ports and setup.
    click(dj, *centre(672, 204, 88, 16))
    deadline = time.monotonic() + 10
    master = dj
    while master == dj and time.monotonic() < deadline:
        master = window("ORVAN Tonwerk")
        time.sleep(0.05)
    assert master != dj, "the Master screen did not open"
    time.sleep(0.3)
    tester.send([0x90, 64, 80])
    got = notes(take())
    assert got == [bytes([0x94, 64, 80])], got
    tester.send([0x80, 64, 0])
    take()
    # On the Master screen the PC keyboard plays from its octave (3): Z is 2 + 36 + 24 = 62.
    xdotool("windowfocus", "--sync", master, check=False)
    xdotool("key", "z")
    got = notes(take())
    assert got and got[0] == bytes([0x94, 62, 126]), got
    click(master, *centre(672, 185, 88, 17))
    deadline = time.monotonic() + 10
    rock = master
    while rock == master and time.monotonic() < deadline:
        rock = window("ORVAN Tonwerk")
        time.sleep(0.05)
    assert rock != master, "the Rock screen did not open"
    time.sleep(0.3)
    take()
    click(rock, *centre(635, 517, 32, 17))
    got = notes(take())
    assert got[0] == bytes([0x94, 60, 126]), got

    # Exit, answered No with Alt+N: the program goes on.
    click(rock, *centre(256, 497, 72, 23))
    host.answer("alt+n")
    time.sleep(0.5)
    assert proc.poll() is None, "No must keep the program running"
    # Exit, answered Yes with Alt+Y: the process ends with the note-off sweep.
    click(rock, *centre(256, 497, 72, 23))
    host.answer("alt+y")
    status = proc.wait(timeout=20)
    assert status == 0, (status, proc.stderr.read())
    time.sleep(0.3)
    got = tester.take(0)
    sweep = {(m[0] & 0x0F, m[1]) for m in got if m[0] & 0xF0 == 0x80 or (m[0] & 0xF0 == 0x90 and m[2] == 0)}
    missing = [(c, k) for c in range(16) for k in range(127) if (c, k) not in sweep]
    assert not missing, "%d note-offs of the sweep missing: %s" % (len(missing), missing[:10])
    print("program screens: pads, arrows, PC keys, keyboard, PANIC, switches and the exit sweep all arrived")
finally:
    host.close()
    tester.close()
