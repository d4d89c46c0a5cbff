"""The session manager's side of the NSM protocol for the end-to-end tests: OSC messages of strings
and 32-bit integers over UDP, written here so the tests need nothing beyond Python."""
import os
import shutil
import socket
import struct
import time

from program_host import MidiTester, ProgramHost


def pad(data):
    return data + b"\0" * (4 - len(data) % 4)


def osc(path, *args):
    """An OSC message of strings and 32-bit integers."""
    tags = "," + "".join("s" if isinstance(a, str) else "i" for a in args)
    body = b"".join(pad(a.encode()) if isinstance(a, str) else struct.pack(">i", a) for a in args)
    return pad(path.encode()) + pad(tags.encode()) + body


def parse(data):
    """The path and arguments of an OSC message."""
    def text(at):
        end = data.index(b"\0", at)
        return data[at:end].decode(), (end + 4) & ~3
    path, at = text(0)
    tags, at = text(at)
    args = []
    for tag in tags[1:]:
        if tag == "s":
            value, at = text(at)
        elif tag == "i":
            value, at = struct.unpack(">i", data[at:at + 4])[0], at + 4
        else:
            raise AssertionError("unexpected OSC type " + tag)
        args.append(value)
    return path, args


class Manager:
    """The session manager's side of the protocol, on a UDP port of its own."""

    def __init__(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind(("127.0.0.1", 0))
        self.url = "osc.udp://127.0.0.1:%d/" % self.sock.getsockname()[1]
        self.client = None

    def receive(self, timeout):
        self.sock.settimeout(timeout)
        try:
            data, self.client = self.sock.recvfrom(65536)
        except socket.timeout:
            return None, []
        return parse(data)

    def send(self, path, *args):
        self.sock.sendto(osc(path, *args), self.client)

    def expect_reply(self, request, timeout=10.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            path, args = self.receive(deadline - time.monotonic())
            if path in ("/reply", "/error") and args and args[0] == request:
                return path, args
        return None, []

    def start_program(self, host, session):
        """Starts HOST's program, answers its announce and opens SESSION. Returns the process, the
        seconds the announce took (None when none came) and what went wrong."""
        began = time.monotonic()
        proc = host.start()
        stale = []
        while True:
            path, args = self.receive(max(0.0, began + 10.0 - time.monotonic()))
            if path is None or path == "/nsm/server/announce":
                break
            stale.append((path, args))  # late answers of an earlier run
        waited = time.monotonic() - began
        if path != "/nsm/server/announce":
            return proc, None, [f"no announce within 10 s (got {stale})"]
        problems = []
        if args[0] != "Tonwerk" or args[3:5] != [1, 2] or args[5] != proc.pid:
            problems.append(f"announce arguments {args}")
        self.send("/reply", "/nsm/server/announce", "Welcome", "Fake NSM", ":server-control:")
        self.send("/nsm/client/open", session, "Tonwerk", "nTonwerk")
        path, args = self.expect_reply("/nsm/client/open")
        if path != "/reply":
            problems.append(f"open answered {path} {args}")
        return proc, waited, problems


def session_rig(program, cli, work, tester):
    """A session folder under WORK whose settings name the JACK ports of a MidiTester called TESTER
    (the session brings them back), a manager, and a host whose start-up setup forwards to channel
    5. Returns the session folder, the manager, the host and the tester."""
    session = os.path.join(work, "session", "Tonwerk.nTonwerk")
    shutil.rmtree(os.path.join(work, "session"), ignore_errors=True)
    manager = Manager()
    host = ProgramHost(program, cli, os.path.join(work, "host"), [{"state": 1, "midiOutChannel": 4}], None,
                       {"NSM_URL": manager.url})
    client = MidiTester(tester)
    os.makedirs(session)
    with open(os.path.join(session, "Tonwerk.ini"), "w") as f:
        f.write(f"[Options]\nMidiInDeviceName={tester}:keys\nMidiOutDeviceName={tester}:sound\n")
    return session, manager, host, client
