"""The scenario's sandbox, set up from inside a fresh network and mount namespace: a private /tmp,
a hosts file of its own, loopback with one non-loopback address, a display server, a session bus
and the accessibility bus. Nothing of the machine's own network or files is changed: every mount
lives in the namespace and goes with it."""
import os
import select
import subprocess
import time

from .procs import Failure, die_with_parent, run, stop, wait_until

SCREEN = (1024, 768)


def isolate(hosts, outside_netns, scratch="/tmp"):
    """Makes the namespace's mounts private, gives it an empty /tmp, binds a hosts file mapping
    each name of `hosts` to 127.0.0.1 over /etc/hosts and an empty resolver configuration over
    /etc/resolv.conf, and brings loopback up."""
    if os.readlink("/proc/self/ns/net") == outside_netns:
        raise Failure("refusing to set up the sandbox outside a private network namespace")
    run(["mount", "--make-rprivate", "/"])
    run(["mount", "-t", "tmpfs", "-o", "mode=1777", "e2e-tmp", scratch])
    etc = os.path.join(scratch, "etc")
    os.makedirs(etc)
    with open(os.path.join(etc, "hosts"), "w") as f:
        f.write("127.0.0.1\tlocalhost\n::1\tlocalhost\n")
        for name in hosts:
            f.write(f"127.0.0.1\t{name}\n")
    with open(os.path.join(etc, "resolv.conf"), "w") as f:
        f.write("# no name servers in the sandbox\n")
    # The X server compiles its keymap into /var/lib/xkb/server-<display>.xkm: every sandbox
    # uses display :0, so each gets a folder of its own.
    if os.path.isdir("/var/lib/xkb"):
        xkb = os.path.join(scratch, "xkb")
        os.makedirs(xkb)
        run(["mount", "--bind", xkb, "/var/lib/xkb"])
    run(["mount", "--bind", os.path.join(etc, "hosts"), "/etc/hosts"])
    if os.path.exists("/etc/resolv.conf"):
        run(["mount", "--bind", os.path.join(etc, "resolv.conf"), "/etc/resolv.conf"])
    run(["ip", "link", "set", "lo", "up"])
    # Look-ups made with AI_ADDRCONFIG find nothing on a host whose only addresses are loopback.
    run(["ip", "addr", "add", "192.0.2.1/32", "dev", "lo"])


class Desktop:
    """Xvfb, a session bus and the accessibility bus, started in this order; `env` is what a
    program of the session gets."""

    def __init__(self, home):
        self.procs = []
        self.home = home
        self.env = {}
        self.display_log = os.path.join(home, "xvfb.log")

    def start(self):
        os.makedirs(self.home, exist_ok=True)
        runtime = os.path.join(self.home, ".run")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        base = {
            "PATH": "/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin",
            "HOME": self.home,
            "XDG_RUNTIME_DIR": runtime,
            "LANG": "C.UTF-8",
        }
        display = self._start_display(base)
        base["DISPLAY"] = display
        base["DBUS_SESSION_BUS_ADDRESS"] = self._start_session_bus(base)
        self._start_accessibility_bus(base)
        self.env = base
        return self

    def _spawn(self, argv, env, **kw):
        p = subprocess.Popen(argv, env=env, preexec_fn=die_with_parent, stdin=subprocess.DEVNULL, **kw)
        self.procs.append(p)
        return p

    def _start_display(self, env):
        r, w = os.pipe()
        try:
            w_, h_ = SCREEN
            with open(self.display_log, "wb") as log:
                self._spawn(["Xvfb", "-displayfd", str(w), "-screen", "0", f"{w_}x{h_}x24", "-nolisten", "tcp"], env,
                            pass_fds=(w,), stdout=log, stderr=subprocess.STDOUT)
            os.close(w)
            w = -1
            number = b""
            deadline = time.monotonic() + 20
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([r], [], [], left)[0]:
                    raise Failure("Xvfb did not report its display")
                chunk = os.read(r, 16)
                if not chunk:
                    raise Failure("Xvfb ended before reporting its display:\n" + self._display_log())
                number += chunk
            return ":" + number.decode().strip()
        finally:
            os.close(r)
            if w >= 0:
                os.close(w)

    def _display_log(self):
        try:
            with open(self.display_log, errors="replace") as f:
                return f.read()[-3000:]
        except OSError:
            return ""

    def _start_session_bus(self, env):
        p = self._spawn(["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"], env,
                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        if not select.select([p.stdout], [], [], 20)[0]:
            raise Failure("the session bus did not report its address")
        address = p.stdout.readline().decode().strip()
        if not address:
            raise Failure("the session bus ended before reporting its address")
        return address

    def _start_accessibility_bus(self, env):
        launcher = next((p for p in ("/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher")
                         if os.path.exists(p)), None)
        if not launcher:
            raise Failure("at-spi-bus-launcher is not installed (package at-spi2-core)")
        self._spawn([launcher, "--launch-immediately"], env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def owned():
            out = run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/",
                       "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus"], env=env, check=False)
            return "boolean true" in out
        wait_until(owned, 20, "the accessibility bus")

    def stop(self):
        for p in reversed(self.procs):
            stop(p)
        self.procs.clear()
