"""Serial port cases: the listings in serial_programs/ talk to a peer over
pseudo-terminal pairs made by socat. One end of each pair is linked into the
Wine prefix as a COM port (COM5, COM6); a thread of this script plays the
peer on the other end, and looks at the terminal settings Wine gave the
program's end. Each listing's peer is the function of the same name below.

What a pseudo-terminal cannot show: Linux keeps it at 8 data bits without
parity whatever a program asks for, and it has no modem lines (DTR, RTS)."""
import fcntl
import glob
import os
import select
import signal
import subprocess
import termios
import threading
import time
import tty

import run_e2e
from wine_env import WineEnv

HERE = os.path.dirname(os.path.abspath(__file__))
WAIT = 10.0   # seconds the peer waits for the program at most


class PeerFailure(Exception):
    pass


class PtyPair:
    """A socat process joining two pseudo-terminals: `device` becomes the
    program's COM port, the test reads and writes the other end."""

    def __init__(self, work, com):
        self.com = com
        self.link = os.path.join(WineEnv(fresh=False).prefix, "dosdevices", com.lower())
        port, peer = os.path.join(work, com + ".port"), os.path.join(work, com + ".peer")
        self.proc = subprocess.Popen(["socat", f"pty,raw,echo=0,link={port}", f"pty,raw,echo=0,link={peer}"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + WAIT
        while not (os.path.exists(port) and os.path.exists(peer)):
            if time.monotonic() > deadline or self.proc.poll() is not None:
                self.stop()
                raise PeerFailure("socat made no pseudo-terminals")
            time.sleep(0.02)
        self.device = os.path.realpath(port)
        if os.path.lexists(self.link):
            os.unlink(self.link)
        os.symlink(self.device, self.link)
        self.fd = os.open(peer, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(self.fd)

    def stop(self):
        """Ends socat (by its process id): both pseudo-terminals go away."""
        if self.proc.poll() is None:
            os.kill(self.proc.pid, signal.SIGTERM)
            self.proc.wait()
        if getattr(self, "fd", None) is not None:
            os.close(self.fd)
            self.fd = None
        if os.path.lexists(self.link):
            os.unlink(self.link)

    def send(self, data):
        os.write(self.fd, data)

    def receive(self, count, timeout=WAIT):
        """Exactly `count` bytes."""
        data = b""
        deadline = time.monotonic() + timeout
        while len(data) < count:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.fd], [], [], left)[0]:
                raise PeerFailure(f"{self.com}: got {data[:60]!r} ({len(data)} bytes), expected {count}")
            data += os.read(self.fd, count - len(data))
        return data

    def line(self):
        """Bytes up to a CR, without it."""
        data = b""
        while not data.endswith(b"\r"):
            data += self.receive(1)
        return data[:-1]

    def expect(self, want):
        got = self.receive(len(want))
        if got != want:
            raise PeerFailure(f"{self.com}: got {got!r}, expected {want!r}")

    def quiet(self, seconds=0.3):
        """Nothing more arrives for a while."""
        if select.select([self.fd], [], [], seconds)[0]:
            raise PeerFailure(f"{self.com}: unexpected {os.read(self.fd, 100)!r}")

    def _at_port(self, ask):
        fd = os.open(self.device, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        try:
            return ask(fd)
        finally:
            os.close(fd)

    def settings(self):
        """The terminal settings of the program's end."""
        return self._at_port(termios.tcgetattr)

    def waiting_at_port(self):
        """Bytes waiting in the program's input queue."""
        return self._at_port(lambda fd: int.from_bytes(fcntl.ioctl(fd, termios.FIONREAD, b"\0" * 4), "little"))


SPEEDS = {getattr(termios, n): n[1:] for n in dir(termios) if n.startswith("B") and n[1:].isdigit()}


def describe_line(pair):
    iflag, _, cflag, _, _, ospeed, _ = pair.settings()
    stop = "2" if cflag & termios.CSTOPB else "1"
    return f"{SPEEDS.get(ospeed, '?')} {stop}".encode()


def describe_flow(pair):
    iflag, _, cflag, _, _, _, _ = pair.settings()
    names = [n for n, on in (("IXON", iflag & termios.IXON), ("IXOFF", iflag & termios.IXOFF),
                             ("CRTSCTS", cflag & termios.CRTSCTS)) if on]
    return (" ".join(names) or "none").encode()


# ---- peers, one per listing ----

def serial_talk(pairs):
    com5 = pairs[0]
    for _ in range(4):
        question = com5.line()
        if question == b"MODE?":
            com5.send(describe_line(com5) + b"\r")
        elif question == b"FLOW?":
            com5.send(describe_flow(com5) + b"\r")
        else:
            raise PeerFailure(f"unexpected question {question!r}")
    com5.expect(bytes(range(256)))
    com5.send(bytes(reversed(range(256))))
    com5.expect(b"0123456789" * 3276 + b"0123456")
    com5.quiet()
    com5.send(b"all there\r")
    com5.expect(b"XYZ?\r")
    com5.send(b"xyz")
    com5.expect(b"LATE?\r")
    com5.send(b"#late")


def serial_two_ports(pairs):
    com5, com6 = pairs
    com6.expect(b"MODE?\r")
    com6.send(b"%s|%s\r" % (describe_line(com5), describe_line(com6)))
    com5.expect(b"GO\r")
    com5.send(b"abc")
    deadline = time.monotonic() + WAIT
    while com5.waiting_at_port() < 3:
        if time.monotonic() > deadline:
            raise PeerFailure("abc never reached COM5")
        time.sleep(0.01)
    com6.send(b"!")
    com6.expect(b"GO\r")
    com6.send(b"12345")
    com5.quiet()
    com6.quiet()


def serial_peer_gone(pairs):
    com5 = pairs[0]
    com5.expect(b"HELLO\r")
    com5.send(b"BYE\r")
    com5.expect(b"WAIT\r")
    time.sleep(0.3)   # the program is polling for an answer by now
    com5.stop()


PEERS = {"serial_talk": (serial_talk, ["COM5"]),
         "serial_two_ports": (serial_two_ports, ["COM5", "COM6"]),
         "serial_peer_gone": (serial_peer_gone, ["COM5"])}


def with_peer(case, peer, coms):
    state = {}

    def prepare(work):
        state.update(pairs=[], problems=[], thread=None)
        try:
            for com in coms:
                state["pairs"].append(PtyPair(work, com))
        except (PeerFailure, OSError) as e:
            state["problems"].append(f"no serial peer ({e}); 'make deps' installs socat")
            return

        def run():
            try:
                peer(state["pairs"])
            except (PeerFailure, OSError) as e:
                state["problems"].append(f"peer: {e}")
        state["thread"] = threading.Thread(target=run, daemon=True)
        state["thread"].start()

    def check(work):
        if state["thread"]:
            state["thread"].join(WAIT)
        for pair in state["pairs"]:
            pair.stop()
        return "; ".join(state["problems"]) or None

    case.prepare, case.check = prepare, check
    return case


def cases():
    out = []
    for path in sorted(glob.glob(os.path.join(HERE, "serial_programs", "*.tvl"))):
        c = run_e2e.parse_listing(path)
        peer, coms = PEERS[c.name]
        out.append(with_peer(c, peer, coms))
    return out
