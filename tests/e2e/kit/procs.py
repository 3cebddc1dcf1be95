"""Starting, waiting for and ending processes, every wait bounded."""
import ctypes
import os
import signal
import subprocess
import time

_libc = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


class Failure(AssertionError):
    """A scenario's expectation that did not hold."""


def die_with_parent():
    """preexec_fn: the child gets SIGKILL when the process that started it ends."""
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)


def wait_until(predicate, timeout, what, interval=0.05):
    """Polls predicate until it gives a true value, which is returned; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Failure(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


def run(argv, timeout=20, check=True, input=None, **kw):
    """Runs a short command to its end (input, if any, on its standard input); its output is
    returned as text."""
    try:
        r = subprocess.run(argv, capture_output=True, text=True, timeout=timeout, input=input,
                           stdin=None if input is not None else subprocess.DEVNULL, **kw)
    except subprocess.TimeoutExpired as e:
        raise Failure(f"{argv[0]} did not finish within {timeout} s") from e
    if check and r.returncode != 0:
        raise Failure(f"{' '.join(map(str, argv))} failed ({r.returncode}): {r.stderr.strip()}")
    return r.stdout


def stop(proc, grace=2.0):
    """Ends a Popen: SIGTERM, then SIGKILL after the grace time. Returns its exit code."""
    if proc.poll() is None:
        try:
            proc.terminate()
            proc.wait(grace)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait(5)
        except ProcessLookupError:
            pass
    return proc.returncode


def netns_of(pid="self"):
    try:
        return os.readlink(f"/proc/{pid}/ns/net")
    except OSError:
        return None


def sweep_netns(netns, outside_netns, spare=()):
    """Kills every process that lives in the network namespace netns (which only this suite's
    scenario uses), except those in spare. Returns the number killed."""
    if not netns or netns == outside_netns:
        return 0
    killed = 0
    for _ in range(20):
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) in spare:
                continue
            if netns_of(entry) == netns:
                found.append(int(entry))
        if not found:
            break
        for pid in found:
            try:
                os.kill(pid, signal.SIGKILL)
                killed += 1
            except ProcessLookupError:
                pass
        time.sleep(0.05)
    return killed


def hold_netns(path):
    """From inside a fresh network namespace: starts a keeper process that holds the namespace
    alive after the caller ends, and records the namespace and the keeper in the file at path.
    While the keeper lives, no other namespace can be given the same identity, so a sweep by
    identity cannot reach another sandbox's processes."""
    keeper = subprocess.Popen(["sleep", "infinity"], start_new_session=True, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(path, "w") as f:
        f.write(f"{netns_of()} {keeper.pid}")


def sweep_held_netns(path, outside_netns):
    """Kills what is left in the namespace recorded at path by hold_netns, the keeper last."""
    try:
        with open(path) as f:
            netns, keeper = f.read().split()
    except (OSError, ValueError):
        return
    if netns_of(keeper) != netns:
        return  # the keeper is gone: the identity may already name another namespace
    sweep_netns(netns, outside_netns, spare=(int(keeper),))
    try:
        os.kill(int(keeper), signal.SIGKILL)
        os.waitpid(int(keeper), 0)
    except (ProcessLookupError, ChildProcessError):
        pass


_T0 = time.monotonic()


def note(message):
    """A line of the scenario's running account (shown when it fails, or with --verbose)."""
    print(f"[{time.monotonic() - _T0:6.2f}] {message}", flush=True)
