"""A JACK MIDI client for the program's benchmarks: it plays a stream of messages into the program,
one every four periods, and times each routed message's arrival at the sound module's port in JACK
frames; it also reads the program's TONWERK_TIMING reports while a measurement runs.
"""
import re
import threading
import time

import jack


class MidiStream:
    def __init__(self, name):
        self.client = jack.Client(name, no_start_server=True)
        self.keys = self.client.midi_outports.register("keys")
        self.sound = self.client.midi_inports.register("sound")
        self.lock = threading.Lock()
        self.queue = []      # messages to send, one per cycle that sends
        self.sent_at = {}    # (status, key, velocity) -> frame sent
        self.arrivals = []   # (frame, bytes)
        self.now = []        # messages to send in the next cycle, untimed
        self.cycle = 0
        self.client.set_process_callback(self._process)
        self.client.activate()
        self.period = self.client.blocksize
        self.rate = self.client.samplerate

    def _process(self, _frames):
        self.keys.clear_buffer()
        self.cycle += 1
        base = self.client.last_frame_time
        with self.lock:
            now, self.now = self.now, []
            message = self.queue.pop(0) if self.queue and self.cycle % 4 == 0 else None
        for data in now:
            self.keys.write_midi_event(0, data)
        if message is not None:
            self.keys.write_midi_event(0, message)
            self.sent_at[message] = base
        for offset, data in self.sound.incoming_midi_events():
            self.arrivals.append((base + offset, bytes(data)))

    def send_now(self, data):
        with self.lock:
            self.now.append(bytes(data))

    def frame_time(self):
        """The JACK clock now, in frames (any thread)."""
        return self.client.frame_time

    def notes(self, count, keys):
        """COUNT messages: note-ons and their note-offs on KEYS in turn, velocities 1-127."""
        messages = []
        for i in range(count // 2):
            key = keys[i % len(keys)]
            velocity = 1 + i % 127
            messages.append(bytes([0x90, key, velocity]))
            messages.append(bytes([0x80, key, velocity]))
        return messages

    def play(self, messages):
        """Plays MESSAGES and returns the latency of each one that came back (ms) and the number lost."""
        self.arrivals.clear()
        self.sent_at.clear()
        with self.lock:
            self.queue.extend(messages)
        deadline = time.monotonic() + len(messages) * 4 * self.period / self.rate + 5
        while time.monotonic() < deadline and (self.queue or len(self.arrivals) < len(messages)):
            time.sleep(0.1)
        time.sleep(0.5)
        latencies = []
        seen = set()
        for frame, data in list(self.arrivals):
            if len(data) != 3 or data[0] & 0xF0 not in (0x80, 0x90):
                continue
            off = data[0] & 0xF0 == 0x80 or data[2] == 0
            sent_key = None if off else bytes([0x90, data[1], data[2]])
            if sent_key is None:
                # A note-off comes back with its own velocity or none: match the oldest unmatched one.
                candidates = [m for m in self.sent_at if m[0] == 0x80 and m[1] == data[1] and m not in seen]
                sent_key = candidates[0] if candidates else None
            if sent_key in self.sent_at and sent_key not in seen:
                seen.add(sent_key)
                latencies.append((frame - self.sent_at[sent_key]) * 1000.0 / self.rate)
        return sorted(latencies), len(messages) - len(latencies)

    def summary(self, what, latencies, lost):
        if not latencies:
            return "%s: nothing came back" % what
        p50 = latencies[len(latencies) // 2]
        p99 = latencies[min(len(latencies) - 1, int(len(latencies) * 0.99))]
        return ("%s, %d frames (%.2f ms): %d messages, p50 %.2f ms, p99 %.2f ms, max %.2f ms, lost %d"
                % (what, self.period, self.period * 1000.0 / self.rate, len(latencies) + lost, p50, p99,
                   latencies[-1], lost))

    def close(self):
        self.client.deactivate()
        self.client.close()


class TimingReports:
    """The program's once-a-second TONWERK_TIMING lines, collected while `on` is set."""

    LONGEST = re.compile(r"longest event of the second ([0-9.]+) ms \(type (\d+)\), longest on the CPU ([0-9.]+)")
    GRAPHICS = re.compile(r"graphics window second: drew (\d+) of (\d+) pictures, (\d+) frame ticks dropped")

    def __init__(self, proc):
        self.proc = proc
        self.on = False
        self.seconds = []    # (wall ms, Qt event type, CPU ms)
        self.graphics = []   # (drawn, received, dropped)
        self.lines = []      # every other line
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        while True:
            line = self.proc.stderr.readline()
            if not line:
                return
            longest = self.LONGEST.search(line)
            graphics = self.GRAPHICS.search(line)
            if longest and self.on:
                self.seconds.append((float(longest.group(1)), int(longest.group(2)), float(longest.group(3))))
            elif graphics and self.on:
                self.graphics.append(tuple(int(g) for g in graphics.groups()))
            elif not longest and not graphics:
                self.lines.append(line)

    def ui_summary(self, what):
        if not self.seconds:
            return "%s: no reports" % what
        longest = max(self.seconds)
        return ("%s: longest event %.3f ms (Qt event type %d), %d of %d seconds above 1 ms; longest on the CPU "
                "%.3f ms" % (what, longest[0], longest[1], sum(1 for s in self.seconds if s[0] > 1.0),
                             len(self.seconds), max(s[2] for s in self.seconds)))
