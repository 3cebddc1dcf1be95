"""The keyboard, the mouse and the screen of the sandbox's display, used as a person would:
xdotool for keys, typing and clicks, ImageMagick's import for screen pictures, and the close
request a window manager sends (WM_DELETE_WINDOW)."""
import ctypes
import ctypes.util
import re
import subprocess
import time

from .procs import Failure, run, wait_until

# The window-manager functions of _MOTIF_WM_HINTS, by bit.
_MWM_FUNCTIONS = {2: "resize", 8: "minimise", 16: "maximise", 32: "close"}


class Screen:
    def __init__(self, env):
        self.env = env

    def xdotool(self, *args, stdin=None, timeout=20):
        try:
            r = subprocess.run(["xdotool", *map(str, args)], env=self.env, input=stdin, capture_output=True,
                               text=True, timeout=timeout)
        except subprocess.TimeoutExpired as e:
            raise Failure(f"xdotool {args[0]} did not finish") from e
        return r.returncode, r.stdout

    def windows(self, name=None, pid=None, visible=True):
        """X windows by exact title or by the process that owns them."""
        args = ["search"]
        if visible:
            args.append("--onlyvisible")
        if pid is not None:
            args += ["--pid", pid]
        else:
            args += ["--name", f"^{name}$"]
        rc, out = self.xdotool(*args)
        return [int(w) for w in out.split()] if rc == 0 else []

    def wait_window(self, name, timeout=30):
        return wait_until(lambda: self.windows(name), timeout, f'a window named "{name}"')[0]

    def geometry(self, window):
        """(x, y, width, height) of a window on the screen."""
        rc, out = self.xdotool("getwindowgeometry", "--shell", window)
        if rc != 0:
            raise Failure(f"window {window} has gone")
        g = dict(line.split("=", 1) for line in out.split())
        return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])

    def offered(self, window):
        """What a window asks of the window manager: its title, the minimum and maximum size of
        the window, and which of close, minimise, maximise and resize it offers (the functions of
        its _MOTIF_WM_HINTS; a window without them offers all four)."""
        out = run(["xprop", "-id", str(window), "-notype", "_NET_WM_NAME", "_MOTIF_WM_HINTS", "WM_NORMAL_HINTS"],
                  env=self.env)
        title = re.search(r'^_NET_WM_NAME = "(.*)"$', out, re.M)
        sizes = {k: re.search(rf"program specified {k} size: (\d+) by (\d+)", out) for k in ("minimum", "maximum")}
        hints = re.search(r"^_MOTIF_WM_HINTS = (.*)$", out, re.M)
        offers = set(_MWM_FUNCTIONS.values())
        if hints:
            flags, functions = (int(v, 16) for v in hints.group(1).split(",")[:2])
            if flags & 1:  # the functions field is given
                everything = functions & 1  # "all": the other bits then name what is taken away
                offers = {name for bit, name in _MWM_FUNCTIONS.items() if bool(functions & bit) != bool(everything)}
        return {"title": title.group(1) if title else None,
                "min": tuple(map(int, sizes["minimum"].groups())) if sizes["minimum"] else None,
                "max": tuple(map(int, sizes["maximum"].groups())) if sizes["maximum"] else None,
                "offers": offers}

    def focus(self, window):
        self.xdotool("windowfocus", "--sync", window)

    def key(self, *keys):
        """Presses and releases keys (xdotool key names: Return, Escape, alt+e, ...) on whatever
        has the keyboard focus."""
        self.xdotool("key", "--delay", "30", *keys)

    def type(self, text):
        """Types text; the text travels on standard input, never in an argument list."""
        rc, _ = self.xdotool("type", "--delay", "12", "--file", "-", stdin=text)
        if rc != 0:
            raise Failure("xdotool could not type")

    def click(self, x, y):
        # The X server handles the motion before the press, in order. (mousemove --sync would wait
        # for ever when the pointer is already there.)
        self.xdotool("mousemove", int(x), int(y), "click", "1")

    def grab(self, x, y, width, height):
        """The pixels of a screen rectangle, as raw RGB bytes."""
        out = subprocess.run(["import", "-silent", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}",
                              "-depth", "8", "rgb:-"], env=self.env, capture_output=True, timeout=20)
        if out.returncode != 0 or len(out.stdout) != width * height * 3:
            raise Failure(f"could not grab the screen: {out.stderr.decode().strip()}")
        return out.stdout

    def _x11(self):
        x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XCreateSimpleWindow.restype = ctypes.c_ulong
        x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                            ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
        for f in ("XMapRaised", "XDestroyWindow"):
            getattr(x11, f).argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        for f in ("XFlush", "XCloseDisplay"):
            getattr(x11, f).argtypes = [ctypes.c_void_p]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        dpy = x11.XOpenDisplay(self.env["DISPLAY"].encode())
        if not dpy:
            raise Failure("cannot open the display")
        return x11, dpy

    def request_close(self, window):
        """Sends the window the close request of the ICCCM (WM_PROTOCOLS/WM_DELETE_WINDOW), as a
        window manager does when its close button is clicked."""

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                        ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

        class Event(ctypes.Union):
            _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

        x11, dpy = self._x11()
        try:
            ev = Event()
            ev.xclient.type = 33  # ClientMessage
            ev.xclient.window = window
            ev.xclient.message_type = x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
            ev.xclient.format = 32
            ev.xclient.data[0] = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
            ev.xclient.data[1] = 0  # CurrentTime
            if not x11.XSendEvent(dpy, window, 0, 0, ctypes.byref(ev)):
                raise Failure("the close request could not be sent")
            x11.XSync(dpy, 0)
        finally:
            x11.XCloseDisplay(dpy)

    def cover(self, x, y, width, height, seconds):
        """Lays a window of another program over a screen rectangle for a while and takes it
        away again; gives the pixels of the rectangle while covered."""
        x11, dpy = self._x11()
        try:
            w = x11.XCreateSimpleWindow(dpy, x11.XDefaultRootWindow(dpy), x, y, width, height, 0, 0, 0xC000C0)
            x11.XMapRaised(dpy, w)
            x11.XSync(dpy, 0)
            time.sleep(seconds)
            covered = self.grab(x, y, width, height)
            x11.XDestroyWindow(dpy, w)
            x11.XSync(dpy, 0)
            return covered
        finally:
            x11.XCloseDisplay(dpy)
