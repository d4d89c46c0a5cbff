#!/usr/bin/python3
"""End to end: the monkey. The program (in the test build: with AddressSanitizer and
UndefinedBehaviorSanitizer) runs on a virtual X display with JACK; a JACK client plays random notes,
pedals and controllers into it while xdotool sends random clicks, double-clicks, drags, wheel turns
and key presses to whatever window of the program is on top: the screens, every dialog, the menus,
the help and graphics windows. File dialogs are closed as they open (the monkey writes no files
outside its folder). The seed is fixed, so a run can be repeated.
At the end all keys go up, PANIC is pressed, and every note-on that left Tonwerk must have had its
note-off; no run may end other than by a confirmed Exit (then the program is started again), and no
sanitizer may have reported anything.
Usage: program_monkey.py TONWERK TONWERK_CLI WORK_DIR [SECONDS] [SEED]
"""
import glob
import os
import random
import signal
import sys
import threading
import time

from program_host import MidiListeners, MidiTester, ProgramHost, finish

program, cli, work = sys.argv[1], sys.argv[2], sys.argv[3]
seconds = float(sys.argv[4]) if len(sys.argv) > 4 else 120.0
seed = int(sys.argv[5]) if len(sys.argv) > 5 else 20261209
rng = random.Random(seed)
failures = []

demo = os.path.join(os.path.dirname(os.path.abspath(program)), "MusicStyles")
# Forwarding splits for the keyboard, and a sample split whose file is gone: every start asks the
# "Search File" dialog.
splits = [{"state": 1, "keyLow": 0, "keyHigh": 127},
          {"state": 1, "keyLow": 36, "keyHigh": 72, "midiOutChannel": 1, "transpose": 12},
          {"state": 1, "keyLow": 48, "keyHigh": 96, "midiInChannel": 1, "midiOutChannel": 2, "sfxFlags": 0x10},
          {"state": 1, "task": 2, "keyLow": 100, "keyHigh": 110, "fileName": "C:\\Gone\\monkey-gone-1531.wav"}]
settings = ("[Options]\nMidiInDeviceName=monkey:keys\nMidiOutDeviceName=monkey:sound\n"
            "[Path]\nStyle-Pfad=%s/\n" % demo)
host = ProgramHost(program, cli, os.path.join(work, "host"), splits, settings)
host.env.pop("TONWERK_AUDIO_NONE", None)  # the sound goes to the JACK server
# Sanitizer reports go to files of their own, besides halting the program.
reports = os.path.join(work, "sanitizer")
for variable in ("ASAN_OPTIONS", "UBSAN_OPTIONS"):
    host.env[variable] = ":".join(filter(None, [host.env.get(variable, ""), "log_path=" + reports]))
for old in glob.glob(reports + "*"):
    os.remove(old)
tester = MidiTester("monkey", history=True)
listeners = MidiListeners(os.path.join(work, "listeners"))
xdotool = host.xdotool

FILE_DIALOGS = {"Open Setup", "Save Setup", "Open MIDI File", "Write MIDI File", "Open Sample File",
                "Open Video File"}
KEYS = (list("qwertyuiopasdfghjklzxcvbnm1234567890") +
        ["space", "Return", "Escape", "Tab", "Up", "Down", "Left", "Right", "Prior", "Next", "Insert",
         "Delete", "BackSpace", "ctrl+c", "ctrl+v", "shift+1", "shift+q", "ctrl+1", "F11", "alt+y", "alt+n",
         "KP_1", "KP_5", "minus", "plus"])


class Player(threading.Thread):
    """Random notes, pedals, pitch bends and controllers on channels 1-3, as a keyboard plays."""

    def __init__(self):
        super().__init__(daemon=True)
        self.rng = random.Random(seed + 1)
        self.held = []
        self.stop = threading.Event()
        self.sent = 0

    def run(self):
        while not self.stop.is_set():
            roll = self.rng.random()
            if roll < 0.45 and len(self.held) < 8:
                note = (self.rng.randrange(3), self.rng.randrange(24, 100))
                tester.send(bytes([0x90 | note[0], note[1], self.rng.randrange(1, 128)]))
                log(f"player: note-on {note[0]},{note[1]}")
                self.held.append(note)
            elif roll < 0.85 and self.held:
                channel, key = self.held.pop(self.rng.randrange(len(self.held)))
                tester.send(bytes([0x80 | channel, key, 0]))
                log(f"player: note-off {channel},{key}")
            elif roll < 0.92:
                tester.send(bytes([0xB0 | self.rng.randrange(3), 64, self.rng.choice((0, 127))]))
            elif roll < 0.97:
                tester.send(bytes([0xE0 | self.rng.randrange(3), 0, self.rng.randrange(128)]))
            else:
                tester.send(bytes([0xB0 | self.rng.randrange(3), self.rng.randrange(1, 120), self.rng.randrange(128)]))
            self.sent += 1
            time.sleep(self.rng.uniform(0.005, 0.06))

    def all_up(self):
        for channel, key in self.held:
            tester.send(bytes([0x80 | channel, key, 0]))
        self.held = []
        for channel in range(16):
            tester.send(bytes([0xB0 | channel, 64, 0]))


def side_window(name):
    """The help and graphics windows: beside the screen, not over it as a dialog is (the graphics
    window is "Video (640 x 480)" once it has a size; "Video Dialog ..." is a dialog)."""
    return name in ("Tonwerk Help", "Sonivue-Viewer") or name.startswith("Video (")


def windows():
    """The program's visible windows, the newest last, with their names."""
    if host.proc is None or host.proc.poll() is not None:
        return []
    ids = xdotool("search", "--onlyvisible", "--pid", str(host.proc.pid), check=False).split()
    return [(w, xdotool("getwindowname", w, check=False)) for w in ids]


def geometry(wid):
    try:
        return host.geometry(wid)
    except Exception:
        return None


restarts = 0
journal = []  # (monotonic time, what happened): the monkey's actions and the player's notes


def log(what):
    journal.append((time.monotonic(), what))
actions = 0
seen = set()  # the names of the windows the monkey worked on
last_lines = []  # the program's error stream, its last lines


def drain_stderr(proc):
    # Keeps the pipe from filling (the program reports device news there), the last lines kept.
    def pump():
        for line in iter(proc.stderr.readline, ""):
            last_lines.append(line)
            del last_lines[:-40]
    threading.Thread(target=pump, daemon=True).start()


def ensure_running():
    """Starts the program again after an Exit the monkey confirmed; a crash fails the run."""
    global restarts
    if host.proc is not None and host.proc.poll() is None:
        return
    if host.proc is not None:
        status = host.proc.returncode
        if status != 0:
            failures.append(f"the program ended with {status}: {''.join(last_lines)[-3000:]}")
            raise RuntimeError("crashed")
        restarts += 1
    log("program started")
    drain_stderr(host.start())
    try:
        host.window("ORVAN Tonwerk", timeout=60)
    except AssertionError:
        time.sleep(0.5)  # the drain's last lines
        print("the program's last lines:\n" + "".join(last_lines)[-3000:])
        raise
    listeners.follow(tester.client, tester.sound)


def act():
    global actions
    shown = windows()
    if not shown:
        return
    for wid, name in shown:
        if name in FILE_DIALOGS:
            xdotool("windowfocus", wid, check=False)
            xdotool("key", "Escape", check=False)
            return
    # Mostly the newest window (a dialog, when one is open), else any.
    wid, name = shown[-1] if rng.random() < 0.7 else rng.choice(shown)
    seen.add(name)
    place = geometry(wid)
    if place is None:
        return
    x0, y0, w, h = place
    if w < 4 or h < 4:
        return
    xdotool("windowraise", wid, check=False)

    def point():
        return str(rng.randrange(2, w - 2)), str(rng.randrange(2, h - 2))

    roll = rng.random()
    if roll < 0.45:
        x, y = point()
        button = rng.choice(("1", "1", "1", "3"))
        did = f"click {button} at {x},{y}"
        xdotool("mousemove", "--window", wid, x, y, "click", button, check=False)
    elif roll < 0.55:
        x, y = point()
        did = f"double-click at {x},{y}"
        xdotool("mousemove", "--window", wid, x, y, "click", "--repeat", "2", "--delay", "60", "1", check=False)
    elif roll < 0.65:
        button = rng.choice(("1", "3"))
        path = [point() for _ in range(4)]
        did = f"drag {button} " + " ".join(f"{x},{y}" for x, y in path)
        xdotool("mousemove", "--window", wid, *path[0], "mousedown", button, check=False)
        for x, y in path[1:]:
            xdotool("mousemove", "--window", wid, x, y, check=False)
        xdotool("mouseup", button, check=False)
    elif roll < 0.75:
        x, y = point()
        turns, wheel = str(rng.randrange(1, 4)), rng.choice(("4", "5"))
        did = f"wheel {wheel} x{turns} at {x},{y}"
        xdotool("mousemove", "--window", wid, x, y, "click", "--repeat", turns, wheel, check=False)
    else:
        key = rng.choice(KEYS)
        did = f"key {key}"
        xdotool("windowfocus", wid, check=False)
        xdotool("key", key, check=False)
    log(f"{name} {w}x{h}: {did}")
    actions += 1


def visit(number):
    """Opens one of the dialogs random clicks seldom reach, round by round: the options sheet, the
    about box and the help through the File menu, the velocity curve and the video dialog through
    the Master screen's buttons. The monkey then works in it."""
    shown = [(w, n) for w, n in windows() if not side_window(n)]
    screens = [w for w, n in shown if n.startswith("ORVAN Tonwerk")]
    if not screens or len(shown) > len(screens):
        return  # a dialog is open already
    wid = screens[-1]
    found = screen_kind(wid)
    if found is None:
        return
    kind, scale, left, top = found

    def press(x, y):
        host.click(wid, left + int(x * scale), top + int(y * scale), settle=0.3)

    what = ("options", "about", "help", "velocity", "video")[number % 5]
    if what in ("options", "about", "help"):
        press(*((370, 420) if kind == 2 else (351, 505)))  # MENU
        downs = {"options": 10, "help": 11, "about": 12}[what]
        xdotool("key", *(["Down"] * downs), "Return", check=False)
    else:
        if kind != 2:
            press(716, 212)  # the Master screen (refused while a song plays)
            time.sleep(0.5)
            wid = (windows() or [(wid, "")])[-1][0]
        press(*((114, 357) if what == "velocity" else (114, 300)))
    visits[what] = visits.get(what, 0) + 1
    log(f"opened on purpose: {what}")


visits = {}
visit_log = []
next_visit = 40


def screen_kind(wid):
    """Which screen the window shows and its placement (scale, left, top), from its pixels: the three
    screen buttons sit at the same place on every screen, the one shown drawn yellow."""
    place = geometry(wid)
    if place is None:
        return None
    _, _, w, h = place
    pixels = host.grab(wid)
    fit = max(0.25, min(w / 801, h / 584))
    for scale in (fit, 1.0, 1.5, 2.0):
        left = max(0, (w - round(801 * scale)) // 2)
        top = max(0, (h - round(584 * scale)) // 2)
        yellow = []
        for y in (175, 193, 212):
            px, py = left + int(680 * scale), top + int(y * scale)
            if not (0 <= px < w and 0 <= py < h):
                break
            r, g, b = pixels[(py * w + px) * 3: (py * w + px) * 3 + 3]
            yellow.append(r > 170 and g > 170 and b < 110)
        if len(yellow) == 3 and yellow.count(True) == 1:
            return yellow.index(True), scale, left, top
    return None


def panic():
    """PANIC on the screen shown, once the dialogs and windows over it are out of the way."""
    def dialogs():
        return [(w, n) for w, n in windows() if not n.startswith("ORVAN Tonwerk") and not side_window(n)]

    for _ in range(12):
        shown = windows()
        screens = [w for w, n in shown if n.startswith("ORVAN Tonwerk")]
        for wid, name in shown:
            if side_window(name):
                xdotool("windowmove", wid, "3000", "3000", check=False)  # off the screen's place
        for wid, _ in dialogs():
            xdotool("windowfocus", wid, check=False)
            xdotool("key", "Escape", check=False)
        time.sleep(0.3)
        if screens and not dialogs():
            found = screen_kind(screens[-1])
            if found is not None:
                kind, scale, left, top = found
                x, y = (430, 420) if kind == 2 else (445, 505)
                print(f"PANIC on {windows()} at {geometry(screens[-1])}: screen kind {kind}, scale {scale:.2f}, "
                      f"offset {left},{top}")
                host.click(screens[-1], left + int(x * scale), top + int(y * scale))
                return True
    print("PANIC: the windows at the end:", windows(), [geometry(w) for w, _ in windows()])
    return False


def explain(stuck, heard):
    """What led to the notes that still sound: what the listeners and the tester heard of each, and
    what the monkey and the player did before the last note-on."""
    began_at = journal[0][0] if journal else time.monotonic()
    for channel, key in stuck:
        for name, messages in zip(listeners.names, heard):
            mine = [m.hex() for m in messages
                    if len(m) >= 3 and m[0] & 0x0F == channel and m[1] == key and m[0] & 0xE0 == 0x80]
            print(f"note {channel},{key} as {name} heard it: {', '.join(mine[-6:])}")
        mine = [(t, m) for t, m in tester.history
                if len(m) >= 3 and m[0] & 0x0F == channel and m[1] == key and m[0] & 0xE0 == 0x80]
        print(f"note {channel},{key}: " + ", ".join(f"{t - began_at:.3f} {m.hex()}" for t, m in mine[-6:]))
        if not mine:
            continue
        last_on = mine[-1][0]
        print("  what came before it and after it:")
        window = [(t, w) for t, w in journal if last_on - 2.0 <= t <= last_on + 1.5]
        for t, what in window[-60:]:
            print(f"  {t - began_at:8.3f} {what}")


player = Player()
ensure_running()
player.start()
began = time.monotonic()
try:
    while time.monotonic() - began < seconds:
        ensure_running()
        if actions >= next_visit:
            visit(len(visit_log))
            visit_log.append(actions)
            next_visit = actions + 40
        act()
        listeners.follow(tester.client, tester.sound)  # a port the program opened anew
        time.sleep(rng.uniform(0.01, 0.06))
    player.stop.set()
    player.join()
    player.all_up()
    time.sleep(0.5)
    ensure_running()
    # PANIC until both listeners hear its all-notes-off on all 16 channels (a click may land while
    # the screen is still busy with what the monkey did last).
    def panic_heard(before):
        return all(sum(1 for m in h[count:] if len(m) >= 3 and m[0] & 0xF0 == 0xB0 and m[1] == 123) >= 16
                   for h, count in zip(listeners.heard(), before))

    for attempt in range(3):
        log("PANIC")
        before = [len(h) for h in listeners.heard()]
        if not panic():
            failures.append("PANIC could not be pressed at the end")
            break
        time.sleep(1.0)
        if panic_heard(before):
            break
    else:
        failures.append("PANIC was pressed three times, and the listeners never heard it")
    # Every note-on the instruments received has had its note-off: a note still sounds when the
    # listeners and the tester all say so (each may have lost a cycle of its own).
    def sounding(messages):
        notes = set()
        for m in messages:
            if len(m) < 3:
                continue
            status, key, velocity = m[0] & 0xF0, m[1], m[2]
            if status == 0x90 and velocity > 0:
                notes.add((m[0] & 0x0F, key))
            elif status == 0x80 or status == 0x90:
                notes.discard((m[0] & 0x0F, key))
        return notes

    heard = listeners.heard()
    print("program monkey: the listeners heard " + " and ".join(f"{len(h)} messages" for h in heard))
    if not all(any(m[0] & 0xF0 == 0x90 for m in h) for h in heard):
        failures.append("a listener heard no note from the program")
    # The tester, connected by the program itself, also hears what the listeners miss while they
    # are not yet connected to a port the program opened anew (the options reopen the output).
    stuck = set.intersection(sounding(tester.take(0)), *(sounding(h) for h in heard))
    if stuck:
        failures.append(f"{len(stuck)} notes still sound after PANIC and all keys up: {sorted(stuck)[:10]}")
        explain(sorted(stuck)[:3], heard)
    host.proc.send_signal(signal.SIGTERM)
    status = host.proc.wait(timeout=60)
    if status != 0:
        failures.append(f"the program ended with {status} at the end")
except RuntimeError:
    pass
finally:
    player.stop.set()
    if host.proc is not None and host.proc.poll() is None:
        host.proc.kill()
    tester.close()
    listeners.close()
    host.close()

for report in glob.glob(reports + "*"):
    with open(report, errors="replace") as f:
        text = f.read()
    # The leak checker also writes which suppressions it used at every clean exit: no report.
    if "ERROR:" in text or "runtime error" in text or "SUMMARY:" in text:
        failures.append("a sanitizer reported:\n" + text[-4000:])
print(f"program monkey: {actions} actions in {seconds:.0f} s, {player.sent} MIDI messages, "
      f"{restarts} restarts after a confirmed Exit, seed {seed}")
print("program monkey: windows worked on: " + ", ".join(sorted(repr(n) for n in seen)))
print(f"program monkey: dialogs opened on purpose: {visits}")
finish(failures, "program monkey")
