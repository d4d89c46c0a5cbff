#!/usr/bin/python3
"""tonwerk-cli route --wav with a tuned sample split: the rendered file has the right pitch for each
key and the notes start and stop at their script times."""
import math
import struct
import subprocess
import sys
import tempfile
import wave
from pathlib import Path

cli = sys.argv[1]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def frequency(samples, rate):
    """The frequency of a steady tone from its rising zero crossings, interpolated."""
    times = []
    for i in range(1, len(samples)):
        a, b = samples[i - 1], samples[i]
        if a < 0 <= b:
            times.append((i - 1 + (-a) / (b - a)) / rate)
    if len(times) < 3:
        return 0.0
    return (len(times) - 1) / (times[-1] - times[0])


with tempfile.TemporaryDirectory() as tmp:
    tmp = Path(tmp)
    # Two seconds of 440 Hz, 44100 Hz mono 16-bit.
    with wave.open(str(tmp / "a440.wav"), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(44100)
        w.writeframes(b"".join(struct.pack("<h", int(12000 * math.sin(2 * math.pi * 440 * i / 44100)))
                               for i in range(88200)))
    script = tmp / "tuned.script"
    script.write_text(f"""sample 0 {tmp / 'a440.wav'}
set 0 sampleMode=1 rootNote=69 keyLow=0 keyHigh=127
@100 90 45 7f
@600 80 45 00
@1000 90 51 7f
@1500 80 51 00
@1800 90 40 7f
@2000
""")
    for mode, rate, channels in ((2, 22050, 2), (1, 44100, 2), (4, 22050, 2)):
        settings = tmp / f"mode{mode}.ini"
        settings.write_text(f"[Developer]\nDSMemMode={mode}\n")
        out = tmp / f"mode{mode}.wav"
        result = subprocess.run([cli, "route", "--settings", str(settings), "--wav", str(out), str(script)],
                                capture_output=True, text=True, timeout=60)
        check(result.returncode == 0, f"mode {mode}: exit {result.returncode}: {result.stderr}")
        with wave.open(str(out)) as w:
            check(w.getframerate() == rate and w.getnchannels() == channels, f"mode {mode}: format")
            frames = w.getnframes()
            data = struct.unpack(f"<{frames * channels}h", w.readframes(frames))
        left = data[0::channels]
        check(abs(frames - 2 * rate) <= 1, f"mode {mode}: length {frames} frames")

        def span(a, b):
            return left[int(a * rate):int(b * rate)]

        f1 = frequency(span(0.2, 0.5), rate)
        f2 = frequency(span(1.1, 1.4), rate)
        f3 = frequency(span(1.85, 1.99), rate)
        check(abs(f1 - 440) < 2, f"mode {mode}: root key plays {f1:.1f} Hz")
        check(abs(f2 - 880) < 4, f"mode {mode}: octave up plays {f2:.1f} Hz")
        check(abs(f3 - 440 * 2 ** (-5 / 12)) < 2, f"mode {mode}: fourth down plays {f3:.1f} Hz")
        # The first note starts at 100 ms (within one millisecond) and nothing sounds before it.
        onset = next(i for i, x in enumerate(left) if x != 0) / rate
        check(abs(onset - 0.100) < 0.001, f"mode {mode}: onset at {onset * 1000:.2f} ms")
        # Each note-off (release time 0) silences within the safety margin and the fade.
        check(max(map(abs, span(0.66, 0.99))) == 0, f"mode {mode}: silence after the first note-off")
        check(max(map(abs, span(1.56, 1.79))) == 0, f"mode {mode}: silence after the second note-off")
        check(max(map(abs, span(0.2, 0.5))) > 11000, f"mode {mode}: full level at velocity 127")

    # A file that cannot be loaded: its message on stderr, and the script goes on.
    (tmp / "broken.wav").write_bytes(b"RIFF\x04\x00\x00\x00WAVE")
    script.write_text(f"sample 0 {tmp / 'broken.wav'}\n@40 90 45 7f\n")
    result = subprocess.run([cli, "route", "--wav", str(tmp / "b.wav"), str(script)],
                            capture_output=True, text=True, timeout=60)
    check(result.returncode == 0 and result.stderr.strip() != "", f"broken file: {result.returncode} {result.stderr!r}")

if failures:
    sys.exit(1)
print("route --wav: pitch and timing as played")
