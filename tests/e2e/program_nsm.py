#!/usr/bin/python3
"""End to end: Tonwerk under a session manager of the NSM kind. A fake manager (OSC over UDP,
written here) hands NSM_URL to the program on a virtual X display with JACK. The program must
announce itself within a few seconds, open the session's folder (its settings there name the
tester's JACK ports, which then play), save its setup and settings there when told, end cleanly on
SIGTERM (every note-off of the closing sweep arrives, exit status 0), and a second start in the same
session opens the setup it saved.
Usage: program_nsm.py TONWERK TONWERK_CLI WORK_DIR
"""
import os
import signal
import sys
import time

from nsm_manager import session_rig
from program_host import finish

program, cli, work = sys.argv[1], sys.argv[2], sys.argv[3]
failures = []


session, manager, host, tester = session_rig(program, cli, work, "nsmtester")


def start_in_session(run):
    proc, waited, problems = manager.start_program(host, session)
    failures.extend(f"run {run}: {p}" for p in problems)
    if waited is not None:
        print(f"run {run}: announce after {waited * 1000:.0f} ms")
        if waited > 5.0:
            failures.append(f"run {run}: the announce took {waited:.1f} s")
    return proc


def sigterm(proc, run):
    proc.send_signal(signal.SIGTERM)
    try:
        status = proc.wait(timeout=20)
    except Exception:
        failures.append(f"run {run}: SIGTERM did not end the program")
        proc.kill()
        return
    if status != 0:
        failures.append(f"run {run}: SIGTERM ended the program with {status}: {proc.stderr.read()[-2000:]}")


try:
    # First run: the session opens; the ports of its settings play; save writes the session's files.
    proc = start_in_session(1)
    dj = host.window("ORVAN Tonwerk")
    tester.take(0.5)
    tester.send(bytes([0x90, 60, 100]))
    got = tester.take(0.5)
    if bytes([0x94, 60, 100]) not in got:
        failures.append(f"the session's ports do not play: {got}")
    tester.send(bytes([0x80, 60, 0]))
    tester.take(0.3)
    manager.send("/nsm/client/save")
    path, args = manager.expect_reply("/nsm/client/save")
    if path != "/reply":
        failures.append(f"save answered {path} {args}")
    for name in ("Tonwerk.mks", "Tonwerk.ini"):
        if not os.path.isfile(os.path.join(session, name)):
            failures.append("save wrote no " + name)
    # SIGTERM ends it as Exit does: the closing sweep's note-offs all arrive.
    tester.send(bytes([0x90, 62, 90]))
    tester.take(0.3)
    sigterm(proc, 1)
    time.sleep(0.3)
    sweep = {(m[0] & 0x0F, m[1]) for m in tester.take(0)
             if m[0] & 0xF0 == 0x80 or (m[0] & 0xF0 == 0x90 and m[2] == 0)}
    missing = [(c, k) for c in range(16) for k in range(127) if (c, k) not in sweep]
    if missing:
        failures.append("%d note-offs of the closing sweep missing after SIGTERM: %s" % (len(missing), missing[:5]))

    # Second run in the same session: the setup it saved opens.
    proc = start_in_session(2)
    deadline = time.monotonic() + 15
    caption = ""
    while time.monotonic() < deadline:
        wins = host.windows("ORVAN Tonwerk")
        caption = host.xdotool("getwindowname", wins[-1], check=False) if wins else ""
        if caption == "ORVAN Tonwerk  Tonwerk.mks":
            break
        time.sleep(0.1)
    if caption != "ORVAN Tonwerk  Tonwerk.mks":
        failures.append(f"the second run shows {caption!r}, not the session's setup")
    sigterm(proc, 2)
finally:
    if host.proc is not None and host.proc.poll() is None:
        host.proc.kill()
    tester.close()
    host.close()

finish(failures, "program nsm: announce, open, ports, save, SIGTERM and the second start")
