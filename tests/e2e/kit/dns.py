"""A name server for the sandbox: UDP on loopback, answering A and AAAA questions from a table,
each name after a delay of its own or never, and keeping every question it was asked. With
`use`, the sandbox's resolver configuration points at it (or at any other address), and names can
be taken out of the sandbox's hosts file so that their look-up reaches the name server."""
import dataclasses
import ipaddress
import socket
import struct
import threading
import time

from .procs import note

A, AAAA = 1, 28
NAMES = {A: "A", AAAA: "AAAA"}


@dataclasses.dataclass
class Entry:
    """What the server knows of a name: its addresses, and how long it takes to answer
    (None: it never does)."""
    a: list
    aaaa: list
    delay: float | None = 0.0


@dataclasses.dataclass
class Question:
    asked: float
    name: str
    qtype: int
    answered: float | None = None


def _name(packet, at):
    labels = []
    while True:
        n = packet[at]
        at += 1
        if n == 0:
            return ".".join(labels).lower(), at
        if n & 0xC0:
            raise ValueError("compressed name in a question")
        labels.append(packet[at:at + n].decode("ascii"))
        at += n


class NameServer:
    """Serves `table` (name -> Entry) on host:53 until stopped; names not in it get "no such
    name" at once."""

    def __init__(self, table=None, host="127.0.0.1", port=53):
        self.table = dict(table or {})
        self.questions: list[Question] = []
        self.lock = threading.Lock()
        self.stopping = threading.Event()
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind((host, port))
        self.sock.settimeout(0.1)
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def set(self, name, a=(), aaaa=(), delay=0.0):
        with self.lock:
            self.table[name.lower()] = Entry(list(a), list(aaaa), delay)

    def _serve(self):
        while not self.stopping.is_set():
            try:
                packet, peer = self.sock.recvfrom(4096)
            except socket.timeout:
                continue
            except OSError:
                break
            try:
                name, end = _name(packet, 12)
                qtype, qclass = struct.unpack("!HH", packet[end:end + 4])
            except (ValueError, IndexError, struct.error, UnicodeDecodeError):
                continue
            q = Question(time.monotonic(), name, qtype)
            with self.lock:
                self.questions.append(q)
                entry = self.table.get(name)
            note(f"dns: asked {NAMES.get(qtype, qtype)} {name}")
            if entry is not None and entry.delay is None:
                continue
            reply = self._reply(packet[:end + 4], entry, qtype, qclass)
            delay = entry.delay if entry is not None else 0.0
            threading.Thread(target=self._send_later, args=(reply, peer, delay, q), daemon=True).start()

    @staticmethod
    def _reply(question, entry, qtype, qclass):
        ident, flags = struct.unpack("!HH", question[:4])
        records = []
        if entry is not None and qclass == 1:
            if qtype == A:
                records = [ipaddress.IPv4Address(x).packed for x in entry.a]
            elif qtype == AAAA:
                records = [ipaddress.IPv6Address(x).packed for x in entry.aaaa]
        rcode = 3 if entry is None else 0  # NXDOMAIN for names the server does not know
        head = struct.pack("!HHHHHH", ident, 0x8000 | 0x0400 | (flags & 0x0100) | 0x0080 | rcode, 1,
                           len(records), 0, 0)
        answers = b"".join(struct.pack("!HHHIH", 0xC00C, qtype, 1, 60, len(r)) + r for r in records)
        return head + question[12:] + answers

    def _send_later(self, reply, peer, delay, q):
        if delay and self.stopping.wait(delay):
            return
        try:
            self.sock.sendto(reply, peer)
            q.answered = time.monotonic()
            note(f"dns: answered {NAMES.get(q.qtype, q.qtype)} {q.name}")
        except OSError:
            pass

    def asked(self, name):
        with self.lock:
            return [q for q in self.questions if q.name == name.lower()]

    def stop(self):
        self.stopping.set()
        self.thread.join(2)
        self.sock.close()


def use(nameserver, options=(), unlist=()):
    """Points the sandbox's resolver at nameserver, with resolv.conf options (e.g. "timeout:30"),
    and takes the names in unlist out of its hosts file. Both files are the sandbox's own copies
    (bound over /etc), rewritten in place."""
    with open("/etc/resolv.conf", "w") as f:
        f.write(f"nameserver {nameserver}\n")
        if options:
            f.write("options " + " ".join(options) + "\n")
    if unlist:
        drop = {n.lower() for n in unlist}
        with open("/etc/hosts") as f:
            lines = f.readlines()
        with open("/etc/hosts", "w") as f:
            for line in lines:
                fields = line.split()
                if not fields or not any(n.lower() in drop for n in fields[1:]):
                    f.write(line)
