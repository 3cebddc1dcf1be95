"""The suite reads the launcher through pyatspi, which Debian's own interpreter has (package
python3-pyatspi); the first python3 on PATH may be another one that lacks it."""
import importlib.util
import os
import sys

DEBIAN_PYTHON = "/usr/bin/python3"
NEEDED = ("gi", "pyatspi")


def require_pyatspi():
    """Returns when this interpreter has pyatspi. Otherwise runs the same command again under
    Debian's interpreter, when that is another one, or ends at once naming what is missing.
    (Only whether the modules exist is looked at: pyatspi connects to the bus when imported.)"""
    missing = [m for m in NEEDED if importlib.util.find_spec(m) is None]
    if not missing:
        return
    if os.path.realpath(sys.executable) != os.path.realpath(DEBIAN_PYTHON) and os.access(DEBIAN_PYTHON, os.X_OK):
        os.execv(DEBIAN_PYTHON, [DEBIAN_PYTHON, os.path.abspath(sys.argv[0]), *sys.argv[1:]])
    raise SystemExit(f"{os.path.basename(sys.argv[0])}: {sys.executable} has no module {', '.join(missing)} "
                     "(install python3-pyatspi, see tools/setup)")
