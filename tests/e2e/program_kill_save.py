#!/usr/bin/python3
"""End to end: a kill during a save never leaves a broken file. The program runs in a session of a
fake NSM manager (see nsm_manager.py) on a virtual X display with JACK; a first run records a song.
Then, again and again, the program starts in the session, the tempo goes up a step (so the setup
it saves differs from the one on disk), the manager asks for a save, and the program is killed
with SIGKILL a random few milliseconds later. Each time the session's setup, song and settings
must be whole: the old file or the new one, never a part of either.
Usage: program_kill_save.py TONWERK TONWERK_CLI WORK_DIR [ROUNDS]
"""
import json
import os
import random
import signal
import struct
import subprocess
import sys
import time

from nsm_manager import session_rig
from program_host import finish

program, cli, work = sys.argv[1], sys.argv[2], sys.argv[3]
rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 20
random.seed(1531)
failures = []

session, manager, host, tester = session_rig(program, cli, work, "killtester")
SETUP, SONG, SETTINGS = (os.path.join(session, n) for n in ("Tonwerk.mks", "Tonwerk.mid", "Tonwerk.ini"))
RECORD, STOP, TEMPO_UP = (293, 537), (501, 537), (410, 469)  # DJ screen window points at 100 %


def riff_whole(data):
    """A RIFF file whose declared size is the file's."""
    return len(data) >= 12 and data[:4] == b"RIFF" and struct.unpack("<I", data[4:8])[0] + 8 == len(data)


def smf_whole(data):
    """A Standard MIDI File whose chunks end exactly at the end of the file."""
    at = 0
    while at + 8 <= len(data):
        at += 8 + struct.unpack(">I", data[at + 4:at + 8])[0]
    return data[:4] == b"MThd" and at == len(data)


def tempo_of(path):
    out = subprocess.run([cli, "setup", "dump", path], capture_output=True, text=True)
    if out.returncode != 0:
        return None
    return json.loads(out.stdout)["setups"][0]["splits"][0].get("setupTempo")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def screen():
    deadline = time.monotonic() + 15
    while time.monotonic() < deadline:
        wins = host.windows("ORVAN Tonwerk")
        if wins and host.xdotool("getwindowname", wins[-1], check=False) == "ORVAN Tonwerk  Tonwerk.mks":
            return wins[-1]
        time.sleep(0.05)
    names = [host.xdotool("getwindowname", w, check=False) for w in host.windows("")]
    raise AssertionError("the session's setup did not open: %r" % names)


outcomes = {"old": 0, "new": 0}
try:
    # The first run: a song is recorded, and the session saved whole.
    proc, _, problems = manager.start_program(host, session)
    failures.extend(problems)
    dj = host.window("ORVAN Tonwerk")
    host.click(dj, *RECORD)
    for key in (60, 64, 67):
        tester.send(bytes([0x90, key, 100]))
        time.sleep(0.15)
        tester.send(bytes([0x80, key, 0]))
        time.sleep(0.1)
    host.click(dj, *STOP)
    manager.send("/nsm/client/save")
    if manager.expect_reply("/nsm/client/save")[0] != "/reply":
        failures.append("the first save failed")
    proc.send_signal(signal.SIGTERM)
    proc.wait(timeout=20)
    if not all(os.path.isfile(p) for p in (SETUP, SONG, SETTINGS)):
        raise AssertionError("the first save did not write the setup, the song and the settings")

    for round_ in range(rounds):
        before = {p: read(p) for p in (SETUP, SONG, SETTINGS)}
        old_tempo = tempo_of(SETUP)
        proc, _, problems = manager.start_program(host, session)
        failures.extend(f"round {round_}: {p}" for p in problems)
        dj = screen()
        host.click(dj, *TEMPO_UP, settle=0.2)
        manager.send("/nsm/client/save")
        time.sleep(random.uniform(0.0, 0.006))
        proc.send_signal(signal.SIGKILL)
        proc.wait(timeout=10)
        setup, song, settings = (read(p) for p in (SETUP, SONG, SETTINGS))
        tempo = tempo_of(SETUP)
        if not riff_whole(setup) or tempo not in (old_tempo, old_tempo + 1):
            failures.append(f"round {round_}: a broken setup ({len(setup)} bytes, tempo {tempo}, was {old_tempo})")
        if not smf_whole(song) or subprocess.run([cli, "song", "dump", SONG], capture_output=True).returncode:
            failures.append(f"round {round_}: a broken song ({len(song)} bytes)")
        if settings != before[SETTINGS] and not settings.rstrip(b"\n").endswith(b"Setup beim Start laden=0"):
            failures.append(f"round {round_}: a broken settings file ({len(settings)} bytes)")
        outcomes["old" if setup == before[SETUP] else "new"] += 1
    print(f"program kill save: {rounds} kills, the setup found old {outcomes['old']} times, new {outcomes['new']}")
    # A kill between the temporary file and its rename leaves the temporary file (hidden, beside).
    leftovers = [n for n in os.listdir(session) if ".tmp-" in n]
    print(f"program kill save: {len(leftovers)} kills fell inside a write (their temporary files are left)")
finally:
    if host.proc is not None and host.proc.poll() is None:
        host.proc.kill()
    tester.close()
    host.close()

finish(failures, "program kill save: setup, song and settings whole after every kill")
