"""The subscriber's host: a TLS service on 127.0.0.1:443 of the sandbox that keeps the raw bytes
of every request and answers as the scenario says. It stops by itself after its lifetime."""
import dataclasses
import socket
import ssl
import threading
import time

from .procs import note, wait_until

REASONS = {200: "OK", 401: "Unauthorized", 403: "Forbidden", 404: "Not Found", 500: "Internal Server Error",
           501: "Not Implemented"}


@dataclasses.dataclass
class Answer:
    """What the service does once a request has arrived: wait `stall` seconds (or until
    `release` is set), then send the status line, headers and page, in chunks of `drip_size`
    bytes `drip_every` seconds apart when dripping; status None closes without answering."""
    status: int | None = None
    page: bytes = b""
    stall: float = 0.0
    release: threading.Event | None = None
    drip_size: int = 0
    drip_every: float = 0.0

    def head(self):
        return (f"HTTP/1.0 {self.status} {REASONS.get(self.status, 'Status')}\r\n"
                "Server: keldara-e2e\r\nContent-Type: text/html\r\n"
                f"Content-Length: {len(self.page)}\r\n\r\n").encode()


@dataclasses.dataclass
class Connection:
    accepted: float
    handshake_error: str | None = None
    request: bytes = b""
    answered: float | None = None
    closed: float | None = None


class Service:
    def __init__(self, cert, key, answer, host="127.0.0.1", port=443, lifetime=120.0):
        """answer: an Answer, or a function of the connection's index (0, 1, ...) giving one."""
        self.ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        self.ctx.load_cert_chain(cert, key)
        self.answer = answer if callable(answer) else (lambda i: answer)
        self.connections: list[Connection] = []
        self.lock = threading.Lock()
        self.stopping = threading.Event()
        self.deadline = time.monotonic() + lifetime
        self.sock = socket.create_server((host, port), reuse_port=False)
        self.sock.settimeout(0.1)
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        try:
            while not self.stopping.is_set() and time.monotonic() < self.deadline:
                try:
                    raw, _ = self.sock.accept()
                except (socket.timeout, BlockingIOError):
                    continue
                except OSError:
                    break
                with self.lock:
                    rec = Connection(accepted=time.monotonic())
                    index = len(self.connections)
                    self.connections.append(rec)
                note(f"service: connection #{index} accepted")
                threading.Thread(target=self._handle, args=(raw, rec, index), daemon=True).start()
        finally:
            self.sock.close()

    def _alive(self):
        return not self.stopping.is_set() and time.monotonic() < self.deadline

    def _handle(self, raw, rec, index):
        raw.settimeout(10)
        raw.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        tls = None
        try:
            try:
                tls = self.ctx.wrap_socket(raw, server_side=True, do_handshake_on_connect=False)
                tls.do_handshake()
                note(f"service: connection #{index}: TLS handshake done")
            except (ssl.SSLError, OSError) as e:
                rec.handshake_error = str(e) or type(e).__name__
                return
            data = b""
            tls.settimeout(0.2)
            limit = time.monotonic() + 10
            while b"\r\n\r\n" not in data and len(data) < 65536 and time.monotonic() < limit and self._alive():
                try:
                    chunk = tls.recv(4096)
                except (socket.timeout, ssl.SSLWantReadError):
                    continue
                except (ssl.SSLError, OSError):
                    break
                if not chunk:
                    break
                data += chunk
                rec.request = data
            note(f"service: request #{index} received ({len(data)} bytes)")
            answer = self.answer(index)
            if answer.release is not None or answer.stall:
                end = time.monotonic() + (answer.stall or 600)
                while time.monotonic() < end and self._alive():
                    if answer.release is not None and answer.release.wait(0.05):
                        break
                    if answer.release is None:
                        time.sleep(0.05)
            if answer.status is not None and self._alive():
                tls.settimeout(10)
                if not answer.drip_size:
                    tls.sendall(answer.head() + answer.page)
                else:
                    tls.sendall(answer.head())
                    for i in range(0, len(answer.page), answer.drip_size):
                        time.sleep(answer.drip_every)
                        tls.sendall(answer.page[i:i + answer.drip_size])
                rec.answered = time.monotonic()
            try:
                tls.settimeout(2)
                tls.unwrap()  # close_notify, as a web server does at the end of an HTTP/1.0 answer
            except (ssl.SSLError, OSError):
                pass
        except (ssl.SSLError, OSError):
            pass
        finally:
            rec.closed = time.monotonic()
            try:
                (tls or raw).close()
            except OSError:
                pass

    # What the scenario reads.
    def requests(self):
        with self.lock:
            return [c.request for c in self.connections if c.request]

    def wait_requests(self, n, timeout):
        return wait_until(lambda: len(self.requests()) >= n, timeout, f"{n} request(s) at the service")

    def stop(self):
        self.stopping.set()
        self.thread.join(5)
