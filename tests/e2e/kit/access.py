"""Reading the launcher the way assistive technology does, through AT-SPI on the sandbox's
accessibility bus: windows, controls, their states and the text of message boxes. Every read is
fresh (the library's cache is cleared first), and every wait is bounded."""
import time

from .procs import Failure

_pyatspi = None


def _atspi():
    """pyatspi reads the bus address from the environment on import, so it is imported only once
    the sandbox's session bus runs."""
    global _pyatspi
    if _pyatspi is None:
        import pyatspi
        from gi.repository import Atspi
        Atspi.set_timeout(3000, 15000)
        _pyatspi = pyatspi
    return _pyatspi


class Node:
    """One accessible object with what a screen reader reads of it."""

    def __init__(self, acc):
        self.acc = acc

    @property
    def role(self):
        return self.acc.getRoleName()

    @property
    def name(self):
        self.acc.clear_cache()
        return self.acc.name or ""

    def states(self):
        p = _atspi()
        self.acc.clear_cache()
        return {p.stateToString(s) for s in self.acc.getState().getStates()}

    @property
    def enabled(self):
        s = self.states()
        return "enabled" in s and "sensitive" in s

    @property
    def showing(self):
        return "showing" in self.states()

    def text(self):
        """The text the object shows (a label's or an entry's), or its name when it has none."""
        try:
            t = self.acc.queryText()
            return t.getText(0, t.characterCount)
        except NotImplementedError:
            return self.name

    def bold(self):
        """Whether the object's text is drawn bold (its font weight), or None when it offers no
        text to read that from."""
        try:
            default = self.acc.queryText().getDefaultAttributes()
        except NotImplementedError:
            return None
        weight = dict(a.split(":", 1) for a in default.split(";") if ":" in a).get("weight")
        return None if weight is None else int(weight) >= 600

    def attributes(self):
        try:
            return dict(a.split(":", 1) for a in self.acc.getAttributes() if ":" in a)
        except Exception:
            return {}

    def extents(self):
        """(x, y, width, height) on the screen."""
        p = _atspi()
        e = self.acc.queryComponent().getExtents(p.DESKTOP_COORDS)
        return e.x, e.y, e.width, e.height

    def centre(self):
        x, y, w, h = self.extents()
        return x + w // 2, y + h // 2

    def press(self):
        """The object's first action ("click", "press", "toggle"), as a screen reader does it."""
        a = self.acc.queryAction()
        if a.nActions < 1:
            raise Failure(f"{self.role} {self.name!r} has no action")
        a.doAction(0)

    def children(self):
        out = []
        for i in range(self.acc.childCount):
            c = self.acc.getChildAtIndex(i)
            if c is not None:
                out.append(Node(c))
        return out

    def walk(self):
        """This object and all below it, depth first in the order of the tree."""
        stack = [self]
        while stack:
            n = stack.pop()
            yield n
            stack.extend(reversed(n.children()))

    def find_all(self, role=None, name=None, showing=None):
        return [n for n in self.walk() if (role is None or n.role == role) and (name is None or n.name == name)
                and (showing is None or n.showing == showing)]

    def find(self, role=None, name=None):
        found = self.find_all(role, name)
        if not found:
            raise Failure(f"no {role or 'object'} {name!r} under {self.role} {self.name!r}")
        return found[0]

    def dump(self, depth=0):
        lines = [f"{'  ' * depth}{self.role} {self.name!r} {sorted(self.states())}"]
        for c in self.children():
            lines.append(c.dump(depth + 1))
        return "\n".join(lines)


def _desktop():
    p = _atspi()
    return p.Registry.getDesktop(0)


def application(pid, timeout=30):
    """The accessible application of the process pid, once it is registered."""
    _atspi()  # a missing module is told as such, not as a time-out
    deadline = time.monotonic() + timeout
    while True:
        try:
            d = _desktop()
            for i in range(d.childCount):
                a = d.getChildAtIndex(i)
                if a is not None and a.get_process_id() == pid:
                    return App(a, pid)
        except Exception:  # the registry answers with an error while it starts
            pass
        if time.monotonic() >= deadline:
            raise Failure(f"process {pid} did not appear on the accessibility bus within {timeout} s "
                          f"(is NO_AT_BRIDGE set, or atk-bridge missing?)")
        time.sleep(0.1)


class App(Node):
    def __init__(self, acc, pid):
        super().__init__(acc)
        self.pid = pid

    def toplevels(self):
        """The application's windows that show now."""
        return [n for n in self.children() if n.showing]

    def poll(self, probe, timeout, what, interval=0.1):
        """Calls probe() until it gives a true value and returns that; a read that fails while the
        application is busy counts as "not yet". Fails after timeout."""
        deadline = time.monotonic() + timeout
        last_error = None
        while True:
            try:
                v = probe()
                if v:
                    return v
            except Failure:
                raise
            except Exception as e:  # the bus answers with an error while the application is busy
                last_error = e
            if time.monotonic() >= deadline:
                extra = f" (last error: {last_error})" if last_error else ""
                raise Failure(f"timed out after {timeout:g} s waiting for {what}{extra}")
            time.sleep(interval)
