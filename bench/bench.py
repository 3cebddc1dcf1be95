#!/usr/bin/python3
"""Benchmarks of the built launcher, run on demand (not by ctest), each in a sandbox like the
end-to-end suite's (tests/e2e): a network and mount namespace of its own, Xvfb, the session and
accessibility buses, a TLS service on loopback. Needs root.

    bench.py --build BUILD_DIR [--runs N] [startup] [latency] [idle] [two-address]

The build must have been configured with -DKELDARA_BENCH=ON (for bench/kd_minimal_frame).

startup  from exec to the sign-in window mapped, against a wxWidgets program that maps one empty
         frame (bench/minimal_frame.cpp); both alternate in the same run; medians of N.
latency  with a relay adding a delay to each direction between client and service: from the
         press of Connect to the failure box mapped (a 403) and to the mount script started (a
         501), against `curl --http1.0` making the same request through the same relay; with no
         delay and with 25 ms each way, so that the difference gives the round trips.
idle     CPU time the launcher (and the X server) use while the service stalls for 10 seconds.
two-address  the account host has two addresses from the name server, a black-holed IPv6 one
         first and the service's IPv4 one second: from the press of Connect to the box mapped (a
         403), against `curl --http1.0` making the same request to the same name; medians.
"""
import argparse
import base64
import ctypes
import ctypes.util
import json
import os
import platform
import select
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True  # nothing is written into the source tree
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "tests", "e2e"))

from kit.interpreter import require_pyatspi  # noqa: E402

require_pyatspi()

from kit import dns, launcher, pki  # noqa: E402
from kit.blackhole import Blackhole  # noqa: E402
from kit.launcher import PASSWORD_CUE, USER_CUE  # noqa: E402
from kit.procs import Failure, die_with_parent, hold_netns, netns_of, stop, sweep_held_netns, wait_until  # noqa: E402
from kit.service import Answer, Service  # noqa: E402
from kit.session import Session  # noqa: E402

ACCOUNT, PASSWORD = "bob", "bench-Pass 1"


# ---- Watching windows being mapped

class MapWatcher:
    """An X client that sees every top-level window being mapped (MapNotify on the root window)
    and stamps it with time.monotonic() as it arrives."""

    def __init__(self, display):
        x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        x.XConnectionNumber.argtypes = [ctypes.c_void_p]
        x.XPending.argtypes = [ctypes.c_void_p]
        x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x = x
        self.dpy = x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise Failure("cannot open the display")
        x.XSelectInput(self.dpy, x.XDefaultRootWindow(self.dpy), 1 << 19)  # SubstructureNotifyMask
        x.XSync(self.dpy, 0)
        self.fd = x.XConnectionNumber(self.dpy)

    class _Map(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                    ("override_redirect", ctypes.c_int)]

    def drain(self):
        while self.x.XPending(self.dpy):
            self._next()

    def _next(self):
        buf = (ctypes.c_long * 24)()
        self.x.XNextEvent(self.dpy, buf)
        now = time.monotonic()
        ev = ctypes.cast(buf, ctypes.POINTER(self._Map)).contents
        return now, ev.type, ev.window, ev.override_redirect

    def name(self, window):
        out = ctypes.c_char_p()
        if self.x.XFetchName(self.dpy, window, ctypes.byref(out)) and out.value is not None:
            v = out.value.decode(errors="replace")
            self.x.XFree(out)
            return v
        return None

    def wait_map(self, title=None, timeout=30):
        """The time the next top-level window (named title, when given) was mapped."""
        deadline = time.monotonic() + timeout
        while True:
            while self.x.XPending(self.dpy):
                now, kind, window, override = self._next()
                if kind == 19 and not override and (title is None or self.name(window) == title):  # MapNotify
                    return now
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure(f"no window {title or ''} was mapped within {timeout} s")
            select.select([self.fd], [], [], left)

    def close(self):
        self.x.XCloseDisplay(self.dpy)


# ---- A relay that delays each direction

class Relay:
    """Listens on 127.0.0.1:listen_port and joins each connection to 127.0.0.1:target_port, each
    chunk (and the end of each direction) delivered `delay` seconds after it was read. (The TCP
    handshake itself is not delayed: the relay's kernel completes it.)"""

    def __init__(self, listen_port, target_port, delay, lifetime=600):
        self.delay = delay
        self.target = target_port
        self.sock = socket.create_server(("127.0.0.1", listen_port))
        self.sock.settimeout(0.1)
        self.deadline = time.monotonic() + lifetime
        self.stopping = threading.Event()
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        try:
            while not self.stopping.is_set() and time.monotonic() < self.deadline:
                try:
                    client, _ = self.sock.accept()
                except (socket.timeout, BlockingIOError):
                    continue
                except OSError:
                    break
                upstream = socket.create_connection(("127.0.0.1", self.target), timeout=5)
                for s in (client, upstream):
                    s.settimeout(None)
                    s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
                for src, dst in ((client, upstream), (upstream, client)):
                    threading.Thread(target=self._pipe, args=(src, dst), daemon=True).start()
        finally:
            self.sock.close()

    def _pipe(self, src, dst):
        queue, cv = [], threading.Condition()

        def deliver():
            while True:
                with cv:
                    while not queue:
                        cv.wait()
                    due, data = queue.pop(0)
                wait = due - time.monotonic()
                if wait > 0:
                    time.sleep(wait)
                try:
                    if data is None:
                        dst.shutdown(socket.SHUT_WR)
                        return
                    dst.sendall(data)
                except OSError:
                    return

        t = threading.Thread(target=deliver, daemon=True)
        t.start()
        while True:
            try:
                data = src.recv(65536)
            except OSError:
                data = b""
            with cv:
                queue.append((time.monotonic() + self.delay, data or None))
                cv.notify()
            if not data:
                break
        t.join(self.delay + 10)

    def stop(self):
        self.stopping.set()


# ---- Helpers

def cpu_seconds(pid):
    """User plus system CPU time of a process so far, in seconds."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def median(xs):
    return statistics.median(xs) if xs else float("nan")


def ms(x):
    return round(x * 1000, 1)


def start_plain(s, exe, env):
    return subprocess.Popen([exe], env=env, cwd=s.desktop.home, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=die_with_parent)


# ---- The benchmarks (each runs inside its own sandbox)

def _startup_times(s, runs, programs, env):
    watcher = MapWatcher(s.desktop.env["DISPLAY"])
    times = {name: [] for name, _, _ in programs}
    try:
        for i in range(runs + 1):  # the first round warms the caches and is not counted
            order = programs if i % 2 == 0 else list(reversed(programs))
            for name, path, title in order:
                watcher.drain()
                t0 = time.monotonic()
                p = start_plain(s, path, env)
                try:
                    t = watcher.wait_map(title) - t0
                finally:
                    p.send_signal(signal.SIGTERM)
                    stop(p, grace=3)
                if i:
                    times[name].append(t)
                time.sleep(0.2)
    finally:
        watcher.close()
    return times


def bench_startup(s, args):
    programs = [("launcher", os.path.join(s.work, "app", "bin", "keldara-launcher"), launcher.TITLE),
                ("minimal", os.path.join(s.work, "kd_minimal_frame"), "Minimal Frame")]
    result = {"runs": args.runs}
    for label, extra in (("with_accessibility_bus", {}), ("without_accessibility", {"NO_AT_BRIDGE": "1"})):
        env = dict(launcher.launch_env(s), **extra)
        times = _startup_times(s, args.runs, programs, env)
        m_l, m_m = median(times["launcher"]), median(times["minimal"])
        result[label] = {"launcher_median_ms": ms(m_l), "minimal_median_ms": ms(m_m), "ratio": round(m_l / m_m, 3),
                         "launcher_ms": [ms(t) for t in times["launcher"]],
                         "minimal_ms": [ms(t) for t in times["minimal"]]}
    return result


def _launcher_box_times(s, runs, watcher):
    """Press of Connect (Return) to the box mapped, `runs` times in one launcher (403 answers)."""
    l = s.launch().ready()
    l.fill(ACCOUNT, PASSWORD)
    out = []
    for i in range(runs + 1):
        l.click(l.field(PASSWORD_CUE))
        l.screen.key("End")
        watcher.drain()
        t0 = time.monotonic()
        l.screen.key("Return")
        t = watcher.wait_map(None, timeout=30) - t0
        if i:
            out.append(t)
        b = l.box()
        l.dismiss(b)
        l.edit_field(USER_CUE)
        l.ui.poll(lambda: l.connect_button().enabled, 5, "Connect to be enabled")
    l.click(l.button("Cancel"))
    l.exit_code()
    return out


def _launcher_script_times(s, runs):
    """Press of Connect to the mount script started (501 answers), one launcher per run."""
    out = []
    for i in range(runs):
        try:
            os.unlink(os.path.join(launcher.RECORD, "script.started"))
        except FileNotFoundError:
            pass
        l = s.launch().ready()
        l.fill(ACCOUNT, PASSWORD)
        l.click(l.field(PASSWORD_CUE))
        l.screen.key("End")
        t0_wall = time.time()
        l.screen.key("Return")
        wait_until(s.records.script_started, 30, "the mount script to start")
        with open(os.path.join(launcher.RECORD, "script.started")) as f:
            out.append(float(f.read()) - t0_wall)
        l.exit_code(30)
    return out


def _curl_times(s, runs):
    auth = base64.b64encode(f"{ACCOUNT}:{PASSWORD}".encode()).decode()
    argv = ["curl", "--http1.0", "-sS", "-o", "/dev/null", "--cacert", s.pki.trusted, "-H", "Accept-Language: en",
            "-H", "User-Agent: Keldara Launcher", "-H", f"Authorization: Basic {auth}",
            f"https://{s.built.host(ACCOUNT)}/"]
    out = []
    for i in range(runs + 1):
        t0 = time.monotonic()
        r = subprocess.run(argv, env=launcher.launch_env(s), capture_output=True, timeout=30)
        t = time.monotonic() - t0
        if r.returncode != 0:
            raise Failure(f"curl failed: {r.stderr.decode().strip()}")
        if i:
            out.append(t)
    return out


def bench_latency(s, args):
    result = {"runs": args.runs, "tcp_handshake_delayed": False}
    watcher = MapWatcher(s.desktop.env["DISPLAY"])
    try:
        for delay in (0.0, 0.025):
            key = f"delay_{int(delay * 1000)}ms"
            row = {}
            for answer, what in ((403, "box"), (501, "script")):
                svc = Service(*s.pki.server, Answer(answer), port=8443, lifetime=900)
                relay = Relay(443, 8443, delay)
                try:
                    if what == "box":
                        row["launcher_box_ms"] = ms(median(_launcher_box_times(s, args.runs, watcher)))
                        row["curl_ms"] = ms(median(_curl_times(s, args.runs)))
                    else:
                        row["launcher_script_ms"] = ms(median(_launcher_script_times(s, max(3, args.runs // 4))))
                finally:
                    relay.stop()
                    svc.stop()
                    time.sleep(0.3)
            result[key] = row
    finally:
        watcher.close()
    d0, d25 = result["delay_0ms"], result["delay_25ms"]
    rtt = 0.050
    result["round_trips"] = {
        "launcher_box": round((d25["launcher_box_ms"] - d0["launcher_box_ms"]) / 1000 / rtt, 2),
        "launcher_script": round((d25["launcher_script_ms"] - d0["launcher_script_ms"]) / 1000 / rtt, 2),
        "curl": round((d25["curl_ms"] - d0["curl_ms"]) / 1000 / rtt, 2),
    }
    return result


def bench_idle(s, args):
    s.serve(Answer(None, stall=40))
    l = s.launch().ready()
    xvfb = s.desktop.procs[0].pid
    time.sleep(1)
    c0, x0, t0 = cpu_seconds(l.proc.pid), cpu_seconds(xvfb), time.monotonic()
    time.sleep(5)
    c1, x1, t1 = cpu_seconds(l.proc.pid), cpu_seconds(xvfb), time.monotonic()
    idle = {"launcher_pct": round(100 * (c1 - c0) / (t1 - t0), 2), "xvfb_pct": round(100 * (x1 - x0) / (t1 - t0), 2),
            "seconds": round(t1 - t0, 2)}
    l.fill(ACCOUNT, PASSWORD)
    l.screen.key("Return")
    s.services[0].wait_requests(1, 20)
    time.sleep(0.5)
    c0, x0, t0 = cpu_seconds(l.proc.pid), cpu_seconds(xvfb), time.monotonic()
    time.sleep(10)
    c1, x1, t1 = cpu_seconds(l.proc.pid), cpu_seconds(xvfb), time.monotonic()
    if len(s.services[0].connections) != 1 or l.boxes():
        raise Failure("the wait ended early")
    wait = {"launcher_cpu_s": round(c1 - c0, 3), "launcher_pct": round(100 * (c1 - c0) / (t1 - t0), 2),
            "xvfb_pct": round(100 * (x1 - x0) / (t1 - t0), 2), "seconds": round(t1 - t0, 2)}
    return {"idle_window": idle, "stalled_wait": wait, "clock_tick_s": 1 / os.sysconf("SC_CLK_TCK")}


def bench_two_address(s, args):
    host = s.built.host(ACCOUNT)
    dead = "2001:db8:dead::1"
    Blackhole(["2001:db8:dead::/48"])
    ns = dns.NameServer()
    ns.set(host, a=["127.0.0.1"], aaaa=[dead])
    dns.use("127.0.0.1", unlist=[host])
    order = [i[4][0] for i in socket.getaddrinfo(host, 443, socket.AF_UNSPEC, socket.SOCK_STREAM, 0,
                                                   socket.AI_ADDRCONFIG)]
    if order != [dead, "127.0.0.1"]:
        raise Failure(f"the resolver gives {order}, not the black-holed address first")
    runs = max(3, args.runs // 4)  # a launcher that waits out the first address takes 15 s a run
    svc = Service(*s.pki.server, Answer(403), lifetime=900)
    watcher = MapWatcher(s.desktop.env["DISPLAY"])
    try:
        box = _launcher_box_times(s, runs, watcher)
        answered = len(svc.requests())
        curl = _curl_times(s, runs)
    finally:
        watcher.close()
        svc.stop()
    return {"runs": runs, "launcher_box_ms": ms(median(box)), "launcher_box_all_ms": [ms(t) for t in box],
            "launcher_requests_answered": answered, "launcher_presses": runs + 1, "curl_ms": ms(median(curl))}


BENCHES = {"startup": bench_startup, "latency": bench_latency, "idle": bench_idle, "two-address": bench_two_address}


# ---- Running

def run_inner(args):
    s = Session(args.work, pki.TestPki(os.path.join(args.work, "pki")), args.outside_netns, accounts=(ACCOUNT,))
    try:
        result = BENCHES[args.inner](s, args)
        print("RESULT " + json.dumps(result))
        return 0
    except Failure as e:
        print(f"FAILED: {e}")
        return 1
    finally:
        s.close()


def machine():
    model = ""
    try:
        with open("/proc/cpuinfo") as f:
            model = next((l.split(":", 1)[1].strip() for l in f if l.startswith("model name")), "")
    except OSError:
        pass
    return {"date": time.strftime("%Y-%m-%d %H:%M %Z"), "nproc": os.cpu_count(), "cpu": model,
            "kernel": platform.release()}


def run_outer(args):
    if os.geteuid() != 0:
        raise SystemExit("bench: must run as root (each benchmark makes its own namespaces)")
    minimal = os.path.join(args.build, "bench", "kd_minimal_frame")
    names = args.names or list(BENCHES)
    if "startup" in names and not os.access(minimal, os.X_OK):
        raise SystemExit(f"bench: {minimal} is missing: configure with -DKELDARA_BENCH=ON and build "
                         "kd_minimal_frame")
    outside = netns_of()
    work = tempfile.mkdtemp(prefix="keldara-bench-", dir="/var/tmp")
    results = {"machine": machine()}
    status = 0
    try:
        built = launcher.prepare(args.build, work)
        pki.TestPki(os.path.join(work, "pki"), domain=built.domain)
        if os.access(minimal, os.X_OK):
            shutil.copy2(minimal, work)  # the sandboxes have a /tmp of their own
        for name in names:
            netns_file = os.path.join(work, f"{name}.netns")
            argv = ["unshare", "--net", "--mount", "--propagation", "private", sys.executable,
                    os.path.abspath(__file__), "--inner", name, "--work", work, "--outside-netns", outside,
                    "--build", args.build, "--runs", str(args.runs), "--netns-file", netns_file]
            p = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, start_new_session=True)
            try:
                out, _ = p.communicate(timeout=1800)
            except subprocess.TimeoutExpired:
                os.killpg(p.pid, signal.SIGKILL)
                out, _ = p.communicate()
            finally:
                sweep_held_netns(netns_file, outside)
            text = out.decode(errors="replace")
            line = next((l for l in text.splitlines() if l.startswith("RESULT ")), None)
            if line is None:
                print(f"{name}: failed\n{text}", file=sys.stderr)
                status = 1
                continue
            results[name] = json.loads(line[len("RESULT "):])
            print(f"{name}: {json.dumps(results[name])}", file=sys.stderr)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(json.dumps(results, indent=2))
    return status


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", required=True)
    ap.add_argument("--runs", type=int, default=20)
    ap.add_argument("--inner", help=argparse.SUPPRESS)
    ap.add_argument("--work", help=argparse.SUPPRESS)
    ap.add_argument("--outside-netns", help=argparse.SUPPRESS)
    ap.add_argument("--netns-file", help=argparse.SUPPRESS)
    ap.add_argument("names", nargs="*", help="startup, latency, idle, two-address (all when none)")
    args = ap.parse_args()
    args.build = os.path.abspath(args.build)
    for n in args.names:
        if n not in BENCHES:
            ap.error(f"unknown benchmark {n}; choose from {', '.join(BENCHES)}")
    if args.inner:
        hold_netns(args.netns_file)
        return run_inner(args)
    try:
        return run_outer(args)
    except Failure as e:
        raise SystemExit(f"bench: {e}")


if __name__ == "__main__":
    sys.exit(main())
