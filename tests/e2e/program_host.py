"""The tonwerk program run for end-to-end tests and benchmarks, driven like a person.

A program folder of its own (a copy of the executable beside its start-up setup), settings of its
own, a virtual X display without a window manager, and xdotool to find windows, click and type.
"""
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import threading
import time

import jack


def finish(failures, what):
    """Ends a test: its FAILURES listed and exit status 1, or "WHAT: ok"."""
    if failures:
        print("FAILED:\n  " + "\n  ".join(failures))
        sys.exit(1)
    print(what + ": ok")


class ProgramHost:
    def __init__(self, program, cli, work, splits, settings, extra_env=None):
        """Prepares WORK (emptied first) with StartUp.mks made of SPLITS and Tonwerk.ini holding the
        SETTINGS text, and starts the display. SPLITS None runs PROGRAM where it is, with the
        program folder it has (an installed program); SETTINGS None starts without a settings file."""
        shutil.rmtree(work, ignore_errors=True)
        config = os.path.join(work, "config")
        os.makedirs(os.path.join(config, "tonwerk"))
        if splits is None:
            self.folder = os.path.dirname(os.path.abspath(program))
        else:
            # The program folder is the executable's.
            self.folder = os.path.join(work, "program")
            os.makedirs(self.folder)
            shutil.copy(program, os.path.join(self.folder, "tonwerk"))
            subprocess.run([cli, "setup", "make", os.path.join(self.folder, "StartUp.mks")],
                           input=json.dumps({"setups": [{"splits": splits}]}), text=True, check=True)
        if settings is not None:
            with open(os.path.join(config, "tonwerk", "Tonwerk.ini"), "w") as f:
                f.write(settings)

        self.xvfb_log = os.path.join(work, "xvfb.log")
        # A display of its own: numbers from the process id up, never the one another test gave up
        # a moment ago (its server may still be going away). A server that ends before it answers,
        # or a display answered by another server, moves on to the next number. Without -noreset
        # the server starts itself anew when its last client leaves, and a program started again
        # at that moment finds no display (Qt then aborts it).
        number = 100 + (os.getpid() % 400) * 2
        for attempt in range(10):
            display = ":%d" % (number + attempt)
            with open(self.xvfb_log, "w") as log:
                self.xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                                              "-noreset"],
                                             stderr=log)
            self.env = dict(os.environ, DISPLAY=display, XDG_CONFIG_HOME=config, HOME=work, QT_QPA_PLATFORM="xcb",
                            TONWERK_AUDIO_NONE="1", **(extra_env or {}))
            self.env.pop("WAYLAND_DISPLAY", None)
            self.proc = None
            for _ in range(200):
                if self.xvfb.poll() is not None:
                    break
                if subprocess.run(["xdotool", "getdisplaygeometry"], env=self.env,
                                  capture_output=True).returncode == 0:
                    time.sleep(0.05)
                    if self.xvfb.poll() is None:
                        return
                    break
                time.sleep(0.05)
            if self.xvfb.poll() is None:
                self.xvfb.terminate()
            self.xvfb.wait()
        with open(self.xvfb_log) as f:
            raise AssertionError("Xvfb did not start: " + f.read()[-2000:])

    def start(self):
        """Starts the program, its error stream readable as text."""
        self.proc = subprocess.Popen([os.path.join(self.folder, "tonwerk")], env=self.env, stderr=subprocess.PIPE,
                                     text=True)
        return self.proc

    def xdotool(self, *args, check=True):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                              check=check).stdout.strip()

    def windows(self, name="ORVAN Tonwerk"):
        return self.xdotool("search", "--onlyvisible", "--name", name, check=False).split()

    def window(self, name, timeout=20.0):
        """The newest visible window named NAME; fails when the program ends or none shows in time."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.windows(name)
            if found:
                return found[-1]
            if self.proc is not None and self.proc.poll() is not None:
                raise AssertionError("tonwerk ended with %s: %s" % (self.proc.returncode, self.proc.stderr.read()))
            time.sleep(0.05)
        raise AssertionError("no window named %r after %.0f s" % (name, timeout))

    def geometry(self, wid):
        """The window's place and size on the display: x, y, width, height."""
        text = self.xdotool("getwindowgeometry", wid)
        x, y = re.search(r"Position: (-?\d+),(-?\d+)", text).groups()
        w, h = re.search(r"Geometry: (\d+)x(\d+)", text).groups()
        return int(x), int(y), int(w), int(h)

    def grab(self, wid):
        """The window's pixels as the display shows them (RGB, rows of width * 3 bytes)."""
        x, y, w, h = self.geometry(wid)
        return subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-f", "x11grab", "-video_size",
                               f"{w}x{h}", "-i", f"{self.env['DISPLAY']}+{x},{y}", "-frames:v", "1", "-f", "rawvideo",
                               "-pix_fmt", "rgb24", "-"], env=self.env, check=True, capture_output=True).stdout

    def click(self, wid, x, y, hold=0.06, settle=0.1):
        """A plain left click at window point (X, Y): press and release HOLD seconds apart."""
        self.xdotool("mousemove", "--window", wid, str(x), str(y))
        self.xdotool("mousedown", "1")
        time.sleep(hold)
        self.xdotool("mouseup", "1")
        time.sleep(settle)

    def exit(self, wid, timeout=20.0, load_at_start="alt+n"):
        """EXIT on the screen WID, answered Yes: the program's exit status. When a setup of the
        performer's own is loaded, the question whether to load it at the next start is answered
        with LOAD_AT_START."""
        self.click(wid, 256 + 36, 497 + 11, settle=0)
        self.answer("alt+y")
        return self.finish_exit(timeout, load_at_start)

    def finish_exit(self, timeout=20.0, load_at_start="alt+n"):
        """Waits for the end after Exit was answered Yes, answering the load-at-start question."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                return self.proc.wait(timeout=0.2)
            except subprocess.TimeoutExpired:
                pass
            confirm = self.windows("Please Confirm")
            if confirm:
                self.xdotool("windowfocus", "--sync", confirm[-1], check=False)
                self.xdotool("key", load_at_start)
                time.sleep(0.3)
        return self.proc.wait(timeout=1)

    def answer(self, keys, timeout=10.0):
        """Answers the "Warning" box with KEYS (alt+y, alt+n)."""
        warning = self.window("Warning", timeout)
        self.xdotool("windowfocus", "--sync", warning, check=False)
        self.xdotool("key", keys)

    def close(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.xvfb.terminate()
        self.xvfb.wait()


class MidiTester:
    """A JACK client beside the program: it plays the keyboard (MIDI out "keys"), listens to the
    sound module (MIDI in "sound") and, with EARS, to the program's sound (audio ins "left",
    "right"), keeping each block's peak."""

    def __init__(self, name, ears=False, history=False):
        self.history = [] if history else None  # (monotonic time, message), everything received
        self.client = jack.Client(name, no_start_server=True)
        self.keys = self.client.midi_outports.register("keys")
        self.sound = self.client.midi_inports.register("sound")
        self.ears = [self.client.inports.register(n) for n in ("left", "right")] if ears else []
        self.lock = threading.Lock()
        self.outgoing = []
        self.received = []
        self.peaks = []  # (monotonic time, peak of the block)
        self.client.set_process_callback(self._process)
        self.client.activate()

    def _process(self, _frames):
        self.keys.clear_buffer()
        with self.lock:
            pending, self.outgoing = self.outgoing, []
        for data in pending:
            self.keys.write_midi_event(0, data)
        got = [bytes(data) for _, data in self.sound.incoming_midi_events()]
        peak = max((max((abs(x) for x in memoryview(ear.get_buffer()).cast("f")), default=0.0)
                    for ear in self.ears), default=0.0)
        now = time.monotonic()
        with self.lock:
            self.received.extend(got)
            if self.history is not None:
                self.history.extend((now, m) for m in got)
            if self.ears:
                self.peaks.append((now, peak))

    def listen_to_program(self, timeout=10.0):
        """Connects the program's sound outputs to the ears once they appear."""
        deadline = time.monotonic() + timeout
        outs = []
        while len(outs) < 2 and time.monotonic() < deadline:
            outs = [p.name for p in self.client.get_ports(is_audio=True, is_output=True)
                    if p.name.startswith("Tonwerk")]
            time.sleep(0.1)
        if len(outs) < 2:
            raise AssertionError("the program's sound ports did not appear")
        for out, ear in zip(outs, self.ears):
            self.client.connect(out, ear)
        time.sleep(0.5)

    def send(self, data):
        with self.lock:
            self.outgoing.append(bytes(data))

    def take(self, wait=0.15):
        """Everything the sound module received, after WAIT seconds, and forgets it."""
        time.sleep(wait)
        with self.lock:
            got, self.received = self.received, []
        return got

    def loudest_since(self, began):
        with self.lock:
            return max((p for t, p in self.peaks if t >= began), default=0.0)

    def close(self):
        self.client.deactivate()
        self.client.close()


class MidiListeners:
    """Two JACK MIDI monitors (jack_midi_dump, each a process of its own) that hear what the
    program sends besides the tester. A Python JACK client loses cycles while its interpreter is
    busy, and with them the MIDI of those cycles (about three messages in ten under a busy main
    thread); these monitors lose far fewer, and the two lose different cycles."""

    def __init__(self, folder, names=("ears-a", "ears-b")):
        os.makedirs(folder, exist_ok=True)
        self.names = names
        self.files = [os.path.join(folder, n + ".txt") for n in names]
        self.procs = []
        for name, path in zip(names, self.files):
            with open(path, "w") as out:
                self.procs.append(subprocess.Popen(["stdbuf", "-oL", "jack_midi_dump", "-a", name], stdout=out,
                                                   stderr=subprocess.DEVNULL))

    def follow(self, client, port):
        """Connects every program port that feeds PORT (a port of CLIENT) to both monitors too."""
        try:
            sources = [p.name for p in client.get_all_connections(port)]
        except jack.JackError:
            return
        for source in sources:
            # By the connections themselves: a program started again has a port of the same name.
            try:
                linked = {p.name for p in client.get_all_connections(source)}
            except jack.JackError:
                continue
            for name in self.names:
                if name + ":input" not in linked:
                    try:
                        client.connect(source, name + ":input")
                    except jack.JackError:
                        pass

    def heard(self):
        """Each monitor's messages, oldest first, as bytes."""
        result = []
        for path in self.files:
            got = []
            with open(path, errors="replace") as f:
                for line in f:
                    stamp, _, rest = line.partition(":")
                    if not stamp.strip().isdigit():
                        continue
                    data = []
                    for word in rest.split():
                        if len(word) != 2:
                            break
                        try:
                            data.append(int(word, 16))
                        except ValueError:
                            break
                    if data:
                        got.append(bytes(data))
            result.append(got)
        return result

    def close(self):
        for proc in self.procs:
            proc.send_signal(signal.SIGINT)
        for proc in self.procs:
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
