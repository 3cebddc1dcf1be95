"""The launcher as the suite runs it: a copy of the built application folder whose mount script is
a recorder, an xdg-open recorder first on PATH, and the controls a subscriber uses, found and read
through the accessibility bus and worked with the keyboard and mouse."""
import os
import shutil
import stat
import subprocess
import time

from . import access, build
from .procs import Failure, die_with_parent, note, stop, wait_until

TITLE = "Keldara Launcher"
USER_CUE = "Enter Keldara Username"
PASSWORD_CUE = "Enter Keldara Password"
CONTROL = "Keldara Control"
RECORD = "/tmp/e2e-record"  # the sandbox's private /tmp

SCRIPT_RECORDER = f"""#!/bin/sh
# Stands in for the mount script: keeps its argument list and standard input for the suite.
rec={RECORD}
mkdir -p "$rec"
date +%s.%N > "$rec/script.started.tmp" && mv "$rec/script.started.tmp" "$rec/script.started"
for a in "$@"; do printf '%s\\0' "$a"; done > "$rec/script.argv"
cat > "$rec/script.stdin.tmp" && mv "$rec/script.stdin.tmp" "$rec/script.stdin"
if [ -f "$rec/script.sleep" ]; then sleep "$(cat "$rec/script.sleep")"; fi
date +%s.%N > "$rec/script.ended.tmp" && mv "$rec/script.ended.tmp" "$rec/script.ended"
"""

BROWSER_RECORDER = f"""#!/bin/sh
# Stands in for xdg-open: keeps the address it is given and when.
rec={RECORD}
mkdir -p "$rec"
now=$(date +%s.%N)
for a in "$@"; do printf '%s\\0' "$a"; done > "$rec/xdg-open.$$.tmp"
printf '%s\\n' "$now" >> "$rec/xdg-open.$$.tmp"
mv "$rec/xdg-open.$$.tmp" "$rec/xdg-open.$$"
"""


def _write_exec(path, text):
    with open(path, "w") as f:
        f.write(text)
    os.chmod(path, stat.S_IRWXU | stat.S_IRGRP | stat.S_IXGRP | stat.S_IROTH | stat.S_IXOTH)


def prepare(build_dir, work):
    """Copies the built application folder twice: `app`, whose mount script is the recorder, and
    `app-real`, kept as built; copies the names the build was made with beside them; puts the
    xdg-open recorder in `bin`. Run once, outside the sandbox. Gives what the build was made with."""
    src = os.path.join(build_dir, "app")
    exe = os.path.join(src, "bin", "keldara-launcher")
    if not os.access(exe, os.X_OK):
        raise Failure(f"the launcher is not built: {exe}")
    build.Built(build_dir)  # refuses a build that lacks them
    shutil.copy2(os.path.join(build_dir, build.SERVICE_FILE), work)
    for name in ("app", "app-real"):
        shutil.copytree(src, os.path.join(work, name), symlinks=True)
    _write_exec(os.path.join(work, "app", "Resources", "Scripts", "168"), SCRIPT_RECORDER)
    os.makedirs(os.path.join(work, "bin"))
    _write_exec(os.path.join(work, "bin", "xdg-open"), BROWSER_RECORDER)
    return build.Built(work)


class Records:
    """What the recorders kept in the sandbox."""

    def __init__(self):
        os.makedirs(RECORD, exist_ok=True)

    @staticmethod
    def _read(name):
        try:
            with open(os.path.join(RECORD, name), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def script_sleep(self, seconds):
        with open(os.path.join(RECORD, "script.sleep"), "w") as f:
            f.write(f"{seconds}\n")

    def script_started(self):
        return self._read("script.started") is not None

    def script_run(self):
        """(parameters read from standard input, arguments, end time), or None before the script
        has ended."""
        ended = self._read("script.ended")
        if ended is None:
            return None
        stdin = self._read("script.stdin") or b""
        argv = self._read("script.argv") or b""
        return stdin, [a for a in argv.split(b"\0")[:-1]], float(ended)

    def browser_opens(self):
        """[(arguments, time)] of every xdg-open run so far."""
        out = []
        for name in sorted(os.listdir(RECORD)):
            if name.startswith("xdg-open.") and not name.endswith(".tmp"):
                data = self._read(name)
                *args, when = data.split(b"\0")
                out.append(([a.decode() for a in args], float(when)))
        return out


class Box:
    """A message box on the screen, with the text it shows."""

    def __init__(self, node, text):
        self.node = node
        self.text = text

    def __repr__(self):
        return f"box {self.text!r}"


def box_text(node):
    """What a screen reader reads of a box: the texts of its labels, in order."""
    texts = [n.text() for n in node.walk() if n.role == "label" and n.showing]
    return "\n".join(t for t in texts if t)


def launch_env(sandbox):
    """The environment a program of the sandbox's desktop starts with: the session's, the
    recorders first on PATH, the test CA as OpenSSL's bundle (SSL_CERT_FILE)."""
    env = dict(sandbox.desktop.env)
    env["PATH"] = os.path.join(sandbox.work, "bin") + ":" + env["PATH"]
    env["SSL_CERT_FILE"] = sandbox.pki.trusted
    for k in ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"):
        if k in os.environ:
            env[k] = os.environ[k]
    env.pop("NO_AT_BRIDGE", None)
    return env


class Launcher:
    def __init__(self, sandbox, app="app"):
        self.sandbox = sandbox
        self.screen = sandbox.screen
        self.env = env = launch_env(sandbox)
        self.exe = os.path.join(sandbox.work, app, "bin", "keldara-launcher")
        self.log_path = os.path.join(sandbox.desktop.home, f"launcher-{len(sandbox.launchers)}.log")
        self.log = open(self.log_path, "wb")
        self.started = time.monotonic()
        self.proc = subprocess.Popen([self.exe], env=env, cwd=sandbox.desktop.home, stdin=subprocess.DEVNULL,
                                     stdout=self.log, stderr=subprocess.STDOUT, preexec_fn=die_with_parent)
        sandbox.launchers.append(self)
        note(f"launcher started (pid {self.proc.pid})")
        self._ui = None
        self.window = None

    # ---- the process
    def alive(self):
        return self.proc.poll() is None

    def exit_code(self, timeout=15):
        try:
            rc = self.proc.wait(timeout)
            note(f"launcher ended with {rc}")
            return rc
        except subprocess.TimeoutExpired:
            raise Failure(f"the launcher did not end within {timeout} s")

    def stop(self):
        stop(self.proc)
        self.log.close()

    def log_tail(self, n=40):
        try:
            with open(self.log_path, "rb") as f:
                return b"\n".join(f.read().splitlines()[-n:]).decode(errors="replace")
        except OSError:
            return ""

    # ---- the window
    def wait_window(self, timeout=40):
        def mapped():
            if not self.alive():
                raise Failure(f"the launcher ended ({self.proc.returncode}) before its window showed:\n"
                              + self.log_tail())
            return self.screen.windows(TITLE)
        self.window = wait_until(mapped, timeout, f'the window "{TITLE}"')[0]
        note("sign-in window mapped")
        return self.window

    @property
    def ui(self):
        if self._ui is None:
            self._ui = access.application(self.proc.pid)
        return self._ui

    def main(self):
        return self.ui.poll(lambda: next((t for t in self.ui.toplevels() if t.name == TITLE
                                          and t.role == "frame"), None), 20, "the sign-in window on the bus")

    def ready(self, expect_start_box=None):
        """Waits until the sign-in window is up and usable. With expect_start_box, the box shown at
        start must have that text and is dismissed; without, no box may show."""
        self.wait_window()
        self.main()
        if expect_start_box is not None:
            b = self.box(timeout=20)
            expect_equal(b.text, expect_start_box, "the box at start")
            self.dismiss(b)
        else:
            time.sleep(0.3)
            shown = self.boxes()
            if shown:
                raise Failure(f"unexpected box at start: {shown}")
        self.screen.focus(self.window)
        note("sign-in window ready")
        return self

    def field(self, cue):
        """The text field that shows the cue text while empty."""
        def find():
            for n in self.main().walk():
                if n.role in ("text", "password text", "entry") and n.attributes().get("placeholder-text") == cue:
                    return n
        return self.ui.poll(find, 10, f'the field "{cue}"')

    def button(self, name):
        return self.ui.poll(lambda: next(iter(self.main().find_all("push button", name)), None), 10,
                            f'the button "{name}"')

    def connect_button(self):
        """Connect, whichever caption it has ("Connect", "Connect and Control")."""
        def find():
            return next((n for n in self.main().find_all("push button")
                         if n.name in ("Connect", "Connect and Control")), None)
        return self.ui.poll(find, 10, "the Connect button")

    def checkbox(self):
        return self.ui.poll(lambda: next(iter(self.main().find_all("check box", CONTROL)), None), 10,
                            f'the check box "{CONTROL}"')

    def click(self, node):
        self.screen.click(*node.centre())

    def replace_text(self, cue, text):
        """Clicks into a field, selects what it holds and types text over it."""
        f = self.field(cue)
        self.click(f)
        self.screen.key("ctrl+a")
        if text:
            self.screen.type(text)
        else:
            self.screen.key("BackSpace")

    def fill(self, user, password):
        self.replace_text(USER_CUE, user)
        self.replace_text(PASSWORD_CUE, password)

    def edit_field(self, cue=USER_CUE):
        """An edit that leaves the text as it was: one character typed at the end and erased."""
        self.click(self.field(cue))
        self.screen.key("End", "x", "BackSpace")

    # ---- message boxes
    def boxes(self):
        """The message boxes showing now."""
        return [Box(t, box_text(t)) for t in self.ui.toplevels() if t.role in ("alert", "dialog")]

    def box(self, timeout=25):
        """The message box that shows next (waits for it)."""
        def probe():
            if not self.alive():
                raise Failure(f"the launcher ended ({self.proc.returncode}) while a box was awaited:\n"
                              + self.log_tail())
            b = self.boxes()
            return b[0] if b and b[0].text else None
        b = self.ui.poll(probe, timeout, "a message box")
        note(f"box shows: {b.text!r}")
        return b

    def box_window(self):
        """The X window of the box shown now: the visible window of the process that is not the
        sign-in window."""
        def find():
            return [w for w in self.screen.windows(pid=self.proc.pid) if w != self.window]
        return wait_until(find, 10, "the box's window")[-1]

    def dismiss(self, box):
        """Dismisses the box with Return, as a user does (its button is the default one)."""
        self.screen.focus(self.box_window())
        self.screen.key("Return")
        self.ui.poll(lambda: not self.boxes(), 10, "the box to go")
        note("box dismissed")


def expect_equal(got, want, what):
    if got != want:
        raise Failure(f"{what}: expected {want!r}, got {got!r}")
