#!/usr/bin/python3
"""tonwerk-cli route --frames with a clip split: the pictures written every 40 ms show the clip's
frames as the ffmpeg tool decodes them, advancing while the key is held and standing still after;
damaged and missing clips are reported and the script goes on."""
import subprocess
import sys
import tempfile
from pathlib import Path

cli = sys.argv[1]
failures = []
W, H, FRAMES = 64, 48, 50


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def tool(*args):
    subprocess.run(["ffmpeg", "-nostdin", "-y", "-loglevel", "error", *args], check=True)


def raw_frames(path_pattern, out):
    tool("-i", str(path_pattern), "-f", "rawvideo", "-pix_fmt", "bgr24", str(out))
    data = out.read_bytes()
    size = W * H * 3
    return [data[i:i + size] for i in range(0, len(data), size)]


def difference(a, b):
    return max(abs(x - y) for x, y in zip(a, b)) if len(a) == len(b) else 999


with tempfile.TemporaryDirectory() as tmp:
    tmp = Path(tmp)
    clip = tmp / "clip.avi"
    tool("-f", "lavfi", "-i", f"testsrc=size={W}x{H}:rate=25", "-frames:v", str(FRAMES), "-c:v", "mjpeg",
         "-q:v", "2", str(clip))
    reference = raw_frames(clip, tmp / "ref.bgr")
    check(len(reference) == FRAMES, f"the tool decodes {FRAMES} frames")
    damaged = tmp / "damaged.avi"
    damaged.write_bytes(clip.read_bytes()[:300])

    script = tmp / "clip.script"
    script.write_text(f"""clip 0 {clip}
video 0 optionFlags=0x2
@0 90 3c 64
@400 80 3c 00
@600
clip 1 {damaged}
clip 2 {tmp / "missing.avi"}
@640
""")
    frames = tmp / "frames"
    run = subprocess.run([cli, "route", "--frames", str(frames), "--size", f"{W}x{H}", str(script)],
                         capture_output=True, text=True, timeout=120)
    check(run.returncode == 0, f"route exits 0 (got {run.returncode}: {run.stderr})")
    written = sorted(frames.glob("frame-*.png"))
    check(len(written) == 17, f"frames 0-16 for 0-640 ms (got {len(written)})")
    check(run.stderr.count("Cannot read file. File has wrong format or is damaged.") == 1 or
          run.stderr.count("Error while loading file !") == 1, "the damaged clip is reported once")
    check("File not found!" in run.stderr, "the missing clip is reported")

    pictures = raw_frames(frames / "frame-%05d.png", tmp / "out.bgr")
    # While the key is held each picture is one clip frame further (the step comes before the
    # fetch, so picture k shows frame k + 1); from the note-off at 400 ms it stands still.
    for k, picture in enumerate(pictures):
        expected = k + 1 if k < 10 else 10
        d = difference(picture, reference[expected])
        check(d <= 2, f"picture {k} is clip frame {expected} (largest difference {d})")

    # Scaled into a larger window with the stamp mode: the clip fills the centred half only.
    stamp = tmp / "stamp.script"
    stamp.write_text(f"clip 0 {clip}\nvideo 0 effectFlags=0x400\n@0 90 3c 64\n@40\n")
    big = tmp / "big"
    run = subprocess.run([cli, "route", "--frames", str(big), "--size", "128x96", str(stamp)],
                         capture_output=True, text=True, timeout=60)
    check(run.returncode == 0, "stamp run exits 0")
    tool("-i", str(big / "frame-00001.png"), "-f", "rawvideo", "-pix_fmt", "bgr24", str(tmp / "big.bgr"))
    data = (tmp / "big.bgr").read_bytes()
    corner = data[0:3 * 16]
    centre_row = data[(48 * 128 + 32) * 3:(48 * 128 + 96) * 3]
    check(corner == bytes(3 * 16), "outside the stamp rectangle the picture is black")
    check(any(centre_row), "the stamp rectangle shows the clip")

if failures:
    print(f"{len(failures)} failure(s)")
    sys.exit(1)
print("route --frames: pictures match the clip")
