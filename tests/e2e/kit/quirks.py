"""The subscriber's host misbehaving in ways the plain service does not: answers whose head is
given byte for byte (odd line ends), and a TLS handshake that takes its time."""
import dataclasses

from .service import Answer, Service


@dataclasses.dataclass
class RawAnswer(Answer):
    """An answer whose status line and header block are `raw_head` exactly as given."""
    raw_head: bytes = b""

    def head(self):
        return self.raw_head


class SlowHandshakeService(Service):
    """The service, except that each connection's TLS handshake starts `handshake_delay` seconds
    after the connection was accepted: the TCP connection is up at once, the secure one only
    then."""

    def __init__(self, cert, key, answer, handshake_delay, **kw):
        self.handshake_delay = handshake_delay
        super().__init__(cert, key, answer, **kw)

    def _handle(self, raw, rec, index):
        if self.stopping.wait(self.handshake_delay):
            raw.close()
            return
        super()._handle(raw, rec, index)
