#!/usr/bin/python3
"""A clean start without devices, as a new user meets it: with no JACK server (and on this machine
no ALSA sequencer), `devices` and `live` say in one plain line each what they did not find and what
they do; the libraries' own diagnostics appear only with --verbose.
Usage: no_devices.py TONWERK_CLI WORK_DIR
"""
import os
import signal
import subprocess
import sys
import time

cli, work = sys.argv[1], sys.argv[2]
os.makedirs(work, exist_ok=True)
env = dict(os.environ, XDG_CONFIG_HOME=work, JACK_DEFAULT_SERVER=f"tonwerk-absent-{os.getpid()}")
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


quiet = subprocess.run([cli, "devices", "--midi-api", "jack"], capture_output=True, text=True, env=env, timeout=60)
check(quiet.returncode == 0, f"devices exits 0: {quiet.returncode}")
check(not any(line.startswith("midi-") for line in quiet.stdout.splitlines()), f"no MIDI ports: {quiet.stdout!r}")
lines = quiet.stderr.splitlines()
check(all(line.startswith("devices: ") for line in lines), f"only plain lines on stderr: {lines}")
check("devices: no MIDI system: neither the ALSA sequencer nor a JACK server is running" in lines,
      f"the missing MIDI system is named: {lines}")

verbose = subprocess.run([cli, "--verbose", "devices", "--midi-api", "jack"], capture_output=True, text=True, env=env,
                         timeout=60)
check(any(line.startswith("JACK: ") for line in verbose.stderr.splitlines()),
      f"--verbose shows the JACK library's own words: {verbose.stderr!r}")

proc = subprocess.Popen([cli, "live", "--midi-api", "jack", "--audio", "none"], stdout=subprocess.PIPE,
                        stderr=subprocess.PIPE, text=True, env=env)
time.sleep(1.0)
proc.send_signal(signal.SIGTERM)
try:
    out, err = proc.communicate(timeout=10)
except subprocess.TimeoutExpired:
    proc.kill()
    out, err = proc.communicate()
check(proc.returncode == 0, f"live exits 0 on SIGTERM: {proc.returncode}")
check(out == "live: in=- out=- audio=none\nlive: stopped\n", f"live's standard output: {out!r}")
err_lines = err.splitlines()
check(all(line.startswith("live: ") for line in err_lines), f"only plain lines on stderr: {err_lines}")
check("live: no MIDI system: neither the ALSA sequencer nor a JACK server is running; no MIDI comes in" in err_lines,
      f"live says what it did not find and what it does: {err_lines}")
check(len(err_lines) <= 3, f"a few lines, not forty: {err_lines}")

for f in failures:
    print("FAIL:", f)
if not failures:
    print("a clean start without devices")
sys.exit(1 if failures else 0)
