#!/usr/bin/python3
"""End to end: tonwerk-cli live with a setup whose split holds a clip composes the video window's
pictures on its own thread while MIDI plays: a JACK client plays the clip's key, and the pictures
written with --frames show the clip (a black window compresses to almost nothing, a clip frame
does not). Usage: live_frames.py TONWERK_CLI WORK_DIR
"""
import hashlib
import json
import os
import queue
import signal
import subprocess
import sys
import time

import jack

cli, work = sys.argv[1], sys.argv[2]
os.makedirs(work, exist_ok=True)
clip = os.path.join(work, "clip.avi")
subprocess.run(["ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "lavfi", "-i",
                "testsrc=size=160x120:rate=25", "-frames:v", "50", "-c:v", "mjpeg", "-q:v", "2", clip], check=True)
setup = os.path.join(work, "clip.mks")
split = {"state": 1, "task": 3, "keyLow": 60, "keyHigh": 60, "fileName": clip, "video": {"optionFlags": 2}}
subprocess.run([cli, "setup", "make", setup], input=json.dumps({"setups": [{"splits": [split]}]}),
               text=True, check=True)
frames = os.path.join(work, "frames")
if os.path.isdir(frames):
    for name in os.listdir(frames):
        os.remove(os.path.join(frames, name))

client = jack.Client("clipkeys", no_start_server=True)
keys = client.midi_outports.register("keys")
outgoing = queue.Queue()


@client.set_process_callback
def process(_frames):
    keys.clear_buffer()
    while True:
        try:
            keys.write_midi_event(0, outgoing.get_nowait())
        except queue.Empty:
            break


client.activate()
env = dict(os.environ, XDG_CONFIG_HOME=work)  # the default settings, never the user's
proc = subprocess.Popen([cli, "live", "--midi-api", "jack", "--midi-in", "clipkeys:keys", "--setup", setup,
                         "--audio", "none", "--frames", frames],
                        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)
failures = []
try:
    line = proc.stdout.readline()
    if not line.startswith("live: in=clipkeys:keys"):
        failures.append(f"live did not start on the port: {line!r}")
    time.sleep(0.5)
    before = len(os.listdir(frames)) if os.path.isdir(frames) else 0
    outgoing.put(bytes([0x90, 60, 100]))
    time.sleep(1.5)
    outgoing.put(bytes([0x80, 60, 0]))
    time.sleep(0.3)
finally:
    proc.send_signal(signal.SIGTERM)
    try:
        status = proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        proc.kill()
        status = proc.wait()
    client.deactivate()
    client.close()
err = proc.stderr.read()
if status != 0:
    failures.append(f"live exited with {status}: {err}")
written = sorted(os.listdir(frames)) if os.path.isdir(frames) else []
pictures = []
for name in written:
    with open(os.path.join(frames, name), "rb") as f:
        pictures.append(f.read())
showing = [p for p in pictures if len(p) > 4000]
# The worker asks for a picture every 40 ms: while the key is held the clip runs, and each picture
# is a new clip frame (the test pattern's counter and moving parts change).
distinct = len({hashlib.sha1(p).hexdigest() for p in showing})
if distinct < 15:
    failures.append(f"the clip did not run: {distinct} different pictures of {len(pictures)}")
if "pictures written to" not in err:
    failures.append(f"live did not say how many pictures it wrote: {err}")
for f in failures:
    print("FAIL:", f)
if not failures:
    print(f"live composed {len(pictures)} pictures, {distinct} different clip frames")
sys.exit(1 if failures else 0)
