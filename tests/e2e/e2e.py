#!/usr/bin/python3
"""End-to-end runs of the built launcher, driven as a subscriber drives it.

    e2e.py --build BUILD_DIR [--verbose] [--list] [GROUP_OR_SCENARIO ...]

Each scenario runs in a network and mount namespace of its own (the script re-executes itself
under `unshare --net --mount`), with a display server, a session bus and the accessibility bus,
a TLS service on 127.0.0.1:443 playing the subscriber's host, and a copy of the application
folder whose mount script records what it is given. Needs root (CI runs as root).
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

sys.dont_write_bytecode = True  # nothing is written into the source tree
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from kit.interpreter import require_pyatspi  # noqa: E402

require_pyatspi()

from kit import launcher, pki  # noqa: E402
from kit.procs import Failure, hold_netns, netns_of, sweep_held_netns  # noqa: E402
import scenarios  # noqa: E402
import network_scenarios  # noqa: E402,F401  (its scenarios join scenarios.ALL)

TOOLS = ["unshare", "mount", "ip", "Xvfb", "xdotool", "xprop", "dbus-daemon", "dbus-send", "import", "openssl"]


def check_host():
    problems = []
    if os.geteuid() != 0:
        problems.append("must run as root: each scenario makes its own network and mount namespace")
    for t in TOOLS:
        if not shutil.which(t):
            problems.append(f"{t} is not installed (see tools/setup)")
    if problems:
        raise SystemExit("e2e: " + "\n".join(problems))


def run_outer(args):
    check_host()
    selected = scenarios.select(args.names)
    if not selected:
        raise SystemExit(f"e2e: nothing matches {args.names}; try --list")
    outside = netns_of()
    work = tempfile.mkdtemp(prefix="keldara-e2e-", dir="/var/tmp")  # the sandboxes hide /tmp
    failed = []
    try:
        try:
            built = launcher.prepare(args.build, work)
            pki.TestPki(os.path.join(work, "pki"), domain=built.domain)
        except Failure as e:
            print(f"e2e: {e}")
            return 1
        for sc in selected:
            t0 = time.monotonic()
            ok, output = run_one(sc, args, work, outside)
            took = time.monotonic() - t0
            print(f"--- {sc.name}: {'passed' if ok else 'FAILED'} ({took:.1f} s)")
            if output.strip() and (not ok or args.verbose):
                print(output.rstrip())
            sys.stdout.flush()
            if not ok:
                failed.append(sc.name)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"{len(selected) - len(failed)} of {len(selected)} scenarios passed")
    if failed:
        print("failed: " + ", ".join(failed))
        return 1
    return 0


def run_one(sc, args, work, outside):
    """Runs one scenario in fresh namespaces; gives (passed, its output)."""
    netns_file = os.path.join(work, f"{sc.name}.netns")
    argv = ["unshare", "--net", "--mount", "--propagation", "private", sys.executable, os.path.abspath(__file__),
            "--inner", sc.name, "--work", work, "--outside-netns", outside, "--netns-file", netns_file]
    p = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                         start_new_session=True)
    def sweep():
        # Whatever the scenario left running in its namespace goes with it.
        sweep_held_netns(netns_file, outside)

    try:
        out, _ = p.communicate(timeout=sc.timeout)
        return p.returncode == 0, out.decode(errors="replace")
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        sweep()
        try:
            out, _ = p.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            out = b""
        return False, out.decode(errors="replace") + f"\nscenario did not finish within {sc.timeout} s"
    finally:
        sweep()


def run_inner(args):
    sc = scenarios.ALL[args.inner]
    hold_netns(args.netns_file)
    env = scenarios.Env(work=args.work, pki=pki.TestPki(os.path.join(args.work, "pki")),
                        outside_netns=args.outside_netns)
    session = None
    try:
        session = scenarios.open_session(sc, env)
        sc.fn(session)
        return 0
    except Failure as e:
        print(f"FAILED: {e}")
        scenarios.diagnose(session)
        return 1
    except Exception:
        traceback.print_exc()
        scenarios.diagnose(session)
        return 1
    finally:
        if session is not None:
            session.close()


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", help="the build folder (holds app/bin/keldara-launcher)")
    ap.add_argument("--list", action="store_true", help="list groups and scenarios")
    ap.add_argument("--verbose", "-v", action="store_true", help="show the output of passing scenarios too")
    ap.add_argument("--inner", help=argparse.SUPPRESS)
    ap.add_argument("--work", help=argparse.SUPPRESS)
    ap.add_argument("--outside-netns", help=argparse.SUPPRESS)
    ap.add_argument("--netns-file", help=argparse.SUPPRESS)
    ap.add_argument("names", nargs="*", help="groups or scenarios (all when none)")
    args = ap.parse_args()
    if args.list:
        for sc in scenarios.ALL.values():
            print(f"{sc.group:10} {sc.name}")
        return 0
    if args.inner:
        return run_inner(args)
    if not args.build:
        ap.error("--build is required")
    args.build = os.path.abspath(args.build)
    return run_outer(args)


if __name__ == "__main__":
    sys.exit(main())
