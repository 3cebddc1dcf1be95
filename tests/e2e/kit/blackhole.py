"""Addresses that swallow packets: a tun device whose packets are taken and dropped, with routes
to it. A connection to such an address neither comes up nor fails; a question sent to a name
server there is never answered. The packets are kept (when, to which address) as evidence of
what was tried. The kernel here has no `dummy` link type, hence the tun device."""
import dataclasses
import fcntl
import ipaddress
import os
import select
import struct
import threading
import time

from .procs import Failure, run

_TUNSETIFF = 0x400454CA
_IFF_TUN, _IFF_NO_PI = 0x0001, 0x1000

# An IPv6 address of the sandbox's own, so that look-ups made with AI_ADDRCONFIG ask for IPv6
# addresses too and a route to the black hole has a source.
OWN_IPV6 = "2001:db8:1::1"


@dataclasses.dataclass
class Packet:
    seen: float
    dst: str
    proto: int  # 6 TCP, 17 UDP
    dport: int | None


def _parse(data):
    version = data[0] >> 4
    if version == 4 and len(data) >= 20:
        ihl = (data[0] & 0x0F) * 4
        proto, dst = data[9], str(ipaddress.IPv4Address(data[16:20]))
        ports = data[ihl:ihl + 4]
    elif version == 6 and len(data) >= 40:
        proto, dst = data[6], str(ipaddress.IPv6Address(data[24:40]))
        ports = data[40:44]
    else:
        return None
    dport = struct.unpack("!H", ports[2:4])[0] if proto in (6, 17) and len(ports) == 4 else None
    return Packet(time.monotonic(), dst, proto, dport)


class Blackhole:
    """The tun device `name`, up, with routes to each of `prefixes` (IPv4 or IPv6)."""

    def __init__(self, prefixes, name="bh0"):
        self.name = name
        self.packets: list[Packet] = []
        self.lock = threading.Lock()
        try:
            self.fd = os.open("/dev/net/tun", os.O_RDWR)
        except OSError as e:
            raise Failure(f"no tun device for the black hole: {e}") from e
        fcntl.ioctl(self.fd, _TUNSETIFF, struct.pack("16sH", name.encode(), _IFF_TUN | _IFF_NO_PI))
        run(["ip", "link", "set", name, "up"])
        if any(":" in p for p in prefixes):
            run(["ip", "-6", "addr", "add", f"{OWN_IPV6}/128", "dev", "lo", "nodad"])
        for p in prefixes:
            run(["ip", "-6" if ":" in p else "-4", "route", "add", p, "dev", name])
        self.stopping = threading.Event()
        self.thread = threading.Thread(target=self._drain, daemon=True)
        self.thread.start()

    def _drain(self):
        while not self.stopping.is_set():
            if not select.select([self.fd], [], [], 0.1)[0]:
                continue
            try:
                data = os.read(self.fd, 65536)
            except OSError:
                return
            p = _parse(data)
            if p is not None:
                with self.lock:
                    self.packets.append(p)

    def seen(self, dst=None, proto=None):
        """The packets swallowed so far, to dst and of protocol proto when given."""
        with self.lock:
            return [p for p in self.packets if (dst is None or p.dst == dst) and (proto is None or p.proto == proto)]

    def stop(self):
        self.stopping.set()
        self.thread.join(2)
        os.close(self.fd)
