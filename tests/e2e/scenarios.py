"""The scenarios: each one starts the launcher in its own sandbox, works it as a subscriber would
and checks what the subscriber sees, what reaches the subscriber's host, what the mount script is
given and what the browser is asked to open.

One file, read as the suite's catalogue: the scenarios, grouped by what they prove, and the few
steps they share; how a sandbox, the launcher and the service are driven lives in kit/."""
import base64
import dataclasses
import os
import subprocess
import time

from kit.launcher import PASSWORD_CUE, USER_CUE, expect_equal
from kit.procs import Failure, note, wait_until
from kit.service import Answer
from kit.session import Session


@dataclasses.dataclass
class Env:
    work: str
    pki: object
    outside_netns: str


@dataclasses.dataclass
class Scenario:
    name: str
    group: str
    fn: object
    management: bool
    timeout: float


ALL = {}


def scenario(group, management=True, timeout=90):
    """Registers a scenario; management: whether the hosts file maps the management host."""
    def register(fn):
        ALL[fn.__name__] = Scenario(fn.__name__, group, fn, management, timeout)
        return fn
    return register


def select(names):
    if not names:
        return list(ALL.values())
    unknown = [n for n in names if n not in ALL and all(sc.group != n for sc in ALL.values())]
    if unknown:
        raise SystemExit(f"e2e: no group or scenario named {', '.join(unknown)}")
    return [sc for sc in ALL.values() if sc.name in names or sc.group in names]


# What the launcher under test was built with (kit.build.Built), once the session is open.
BUILT = None


def open_session(sc, env):
    global BUILT
    s = Session(env.work, env.pki, env.outside_netns, management=sc.management, accounts=("bob", "anna", "carol"))
    BUILT = s.built
    return s


def diagnose(session):
    """Prints what helps to understand a failure: the launcher's output, its accessible tree, what
    reached the service."""
    if session is None:
        return
    d = session.desktop
    dead = [p.args[0] for p in d.procs if p.poll() is not None]
    if dead:
        print(f"desktop processes that have ended: {', '.join(dead)}")
    log = d._display_log().strip()
    if log:
        print("Xvfb's output:\n    " + log.replace("\n", "\n    "))
    for i, l in enumerate(session.launchers):
        state = "running" if l.alive() else f"ended with {l.proc.returncode}"
        print(f"launcher #{i}: {state}")
        tail = l.log_tail()
        if tail:
            print("  output:\n    " + tail.replace("\n", "\n    "))
        if l.alive():
            try:
                print("  accessible tree:\n" + l.ui.dump(2))
            except Exception as e:
                print(f"  accessible tree unavailable: {e}")
    for i, s in enumerate(session.services):
        for c in s.connections:
            print(f"service #{i}: connection handshake_error={c.handshake_error} request={c.request!r} "
                  f"answered={c.answered is not None}")


# ---- What the subscriber reads

FIREWALL_LINE = "This could be due to a Firewall blocking access to the Service"
NOT_ONLINE = ("Unable to contact Keldara Server\n\n"
              "It looks like you are currently not online, Keldara Launcher may not be able to connect")
INCORRECT_USERNAME = "Incorrect Username"
INCORRECT_PASSWORD = "Incorrect Password"
USERNAME_NOT_FOUND = "Username not Found"


def support_line():
    return f"If the problem persists, please contact {BUILT.support_address}"


def no_answer_text(reachable):
    if reachable:
        return "\n".join(["Unable to contact Keldara Server", "", FIREWALL_LINE, support_line(), "Code: 0"])
    return "\n".join(["Unable to contact Keldara Server", "", "Please check your Internet Connection and Try Again",
                      "Code: 0"])


def unexpected_text(code, reachable):
    return "\n".join(["Unable to Connect", ""] + ([FIREWALL_LINE] if reachable else []) + [support_line(),
                                                                                          f"Code: {code}"])


# ---- The subscriber

USER = "  Bob.Smith@Work  "  # blanks around it, capitals, mail form with a dotted name: account "bob"
ACCOUNT = "bob"
PASSWORD = " Pa:ss W0rd "  # blanks at both ends, a colon and capitals: all sent and passed as typed


def authorization(account, password):
    return "Basic " + base64.b64encode(f"{account}:{password}".encode()).decode()


def check_request(raw, account=ACCOUNT, password=PASSWORD):
    """The request as it must reach the host: HTTP/1.0 GET of "/", exactly five headers, each once,
    no body."""
    if not raw.endswith(b"\r\n\r\n"):
        raise Failure(f"the request does not end with an empty line (or has a body): {raw!r}")
    lines = raw[:-4].split(b"\r\n")
    expect_equal(lines[0], b"GET / HTTP/1.0", "the request line")
    headers = []
    for line in lines[1:]:
        name, sep, value = line.partition(b": ")
        if not sep:
            raise Failure(f"malformed header line {line!r}")
        headers.append((name.decode(), value.decode()))
    want = {"Host": BUILT.host(account), "Accept": "*/*", "Accept-Language": "en",
            "User-Agent": "Keldara Launcher", "Authorization": authorization(account, password)}
    names = [n for n, _ in headers]
    if sorted(names) != sorted(want):
        raise Failure(f"the request's headers are {names}, expected each of {sorted(want)} once")
    for n, v in headers:
        expect_equal(v, want[n], f'the header "{n}"')


def press_connect(l, how):
    """Connect by Return (the default button) in the password field, or by a click on it."""
    if how == "return":
        l.click(l.field(PASSWORD_CUE))
        l.screen.key("End", "Return")
    else:
        l.click(l.connect_button())


def attempt(l, svc, box, how="return", requests_before=None):
    """One press of Connect that must reach the service and end in the box with text `box`."""
    n = len(svc.requests()) if requests_before is None else requests_before
    press_connect(l, how)
    svc.wait_requests(n + 1, 20)
    b = l.box()
    expect_equal(b.text, box, "the box's text")
    return b


def attempt_unserved(l, box, how="return"):
    """A press of Connect while nothing listens on the host's port."""
    press_connect(l, how)
    b = l.box()
    expect_equal(b.text, box, "the box's text")
    return b


def check_restored(l, connect_enabled, user=USER, password=PASSWORD):
    """After a failure's box: both fields usable again with their text, the wheel gone, Connect
    enabled or not as the outcome says."""
    user_field, pass_field = l.field(USER_CUE), l.field(PASSWORD_CUE)
    l.ui.poll(lambda: user_field.enabled and pass_field.enabled, 5, "the fields to be enabled again")
    time.sleep(0.2)
    expect_equal(l.connect_button().enabled, connect_enabled, "Connect enabled after the box")
    expect_equal(user_field.text(), user, "the user field's text after the box")
    expect_equal(len(pass_field.text()), len(password), "the password's length after the box")
    for wheel in l.main().find_all("animation"):
        if wheel.showing:
            raise Failure("the progress wheel still shows after the box")


def check_success(s, l, password=PASSWORD, account=ACCOUNT, control_page=None):
    """A successful sign-in: the mount script ran with its three parameters on its standard input
    (none in its argument list), the control page opened after it when asked for, exit code 0."""
    expect_equal(l.exit_code(30), 0, "the launcher's exit code")
    run = wait_until(s.records.script_run, 5, "the mount script's run")
    stdin, argv, ended = run
    expect_equal(stdin, f"https://{BUILT.host(account)}\0{account}\0{password}\0".encode(),
                 "the mount script's parameters")
    expect_equal(argv, [], "the mount script's arguments")
    if control_page:
        opens = wait_until(s.records.browser_opens, 10, "the browser to be asked")
        expect_equal([args for args, _ in opens], [[control_page]], "the pages opened")
        if opens[0][1] < ended:
            raise Failure("the control page was opened before the mount script had ended")
    else:
        time.sleep(0.5)
        expect_equal(s.records.browser_opens(), [], "the pages opened")


# ---- Outcomes

@scenario("outcomes")
def success_with_control(s):
    """501 with "Keldara Control" ticked: the script runs, then the control page opens (over
    http), then the launcher ends with 0."""
    svc = s.serve(Answer(501, b"<html>Welcome</html>"))
    s.records.script_sleep(1)
    l = s.launch().ready()
    l.fill("ANNA", "secret")
    box = l.checkbox()
    l.click(box)
    l.ui.poll(lambda: "checked" in box.states(), 5, "the box to be ticked")
    l.ui.poll(lambda: l.connect_button().name == "Connect and Control", 5, 'the caption "Connect and Control"')
    press_connect(l, "click")
    svc.wait_requests(1, 20)
    check_request(svc.requests()[0], "anna", "secret")
    check_success(s, l, password="secret", account="anna", control_page=f"http://{BUILT.host('anna')}/control")


@scenario("outcomes")
def credential_refused(s):
    """A 200 whose page, dripped over a second, holds "404": the one-line box "Incorrect Username";
    afterwards the fields are usable and Connect stays disabled (Return on it does nothing) until a
    field is edited. (The texts of 401 and 403 are rows of the unit tests' table.)"""
    page = b"<html><body>Error 14045: no such user</body></html>"
    svc = s.serve(Answer(200, page, drip_size=16, drip_every=0.3))
    l = s.launch().ready()
    l.fill(USER, PASSWORD)
    b = attempt(l, svc, INCORRECT_USERNAME, "return")
    l.dismiss(b)
    check_restored(l, connect_enabled=False)
    l.click(l.field(PASSWORD_CUE))
    l.screen.key("Return")
    time.sleep(1)
    expect_equal(len(svc.requests()), 1, "requests after Return on a disabled Connect")
    if l.boxes():
        raise Failure("a box showed after Return on a disabled Connect")
    l.edit_field(USER_CUE)
    l.ui.poll(lambda: l.connect_button().enabled, 5, "Connect to be enabled by the edit")
    check_request(svc.requests()[0])
    l.click(l.button("Cancel"))
    expect_equal(l.exit_code(), 0, "the exit code after Cancel")


@scenario("outcomes")
def no_answer_online(s):
    """With the management host resolving: a host that closes without answering, then nothing
    listening, each "Unable to contact Keldara Server" with the firewall and support lines and
    "Code: 0", Connect enabled after; then a third attempt succeeds: exactly the five headers on
    the wire, the mount script given its parameters, no page opened, exit code 0."""
    svc = s.serve(Answer(None))
    l = s.launch().ready()
    l.fill(USER, PASSWORD)
    b = attempt(l, svc, no_answer_text(True), "return")
    l.dismiss(b)
    check_restored(l, connect_enabled=True)
    svc.stop()
    b = attempt_unserved(l, no_answer_text(True), "click")
    l.dismiss(b)
    check_restored(l, connect_enabled=True)
    svc = s.serve(Answer(501))
    press_connect(l, "return")
    svc.wait_requests(1, 20)
    check_request(svc.requests()[0])
    check_success(s, l)


@scenario("outcomes", management=False)
def offline(s):
    """Without the management host: the not-online warning at start, after which the window is
    usable; then a 500 (no firewall line) and nothing listening ("Please check your Internet
    Connection"); Cancel ends with 0."""
    svc = s.serve(Answer(500))
    l = s.launch().ready(expect_start_box=NOT_ONLINE)
    expect_equal(l.connect_button().enabled, False, "Connect with both fields empty")
    l.fill(USER, PASSWORD)
    l.ui.poll(lambda: l.connect_button().enabled, 5, "Connect to be enabled by typing")
    b = attempt(l, svc, unexpected_text(500, False), "return")
    l.dismiss(b)
    check_restored(l, connect_enabled=True)
    svc.stop()
    b = attempt_unserved(l, no_answer_text(False), "click")
    l.dismiss(b)
    check_restored(l, connect_enabled=True)
    l.click(l.button("Cancel"))
    expect_equal(l.exit_code(), 0, "the exit code after Cancel")


# ---- The wire and trust

@scenario("wire")
def untrusted_hosts(s):
    """A certificate from an authority the launcher does not trust, then one for another host:
    no request byte reaches the service and the subscriber reads the no-answer text with
    "Code: 0". The trusted certificate then works."""
    l = s.launch().ready()
    l.fill(USER, PASSWORD)
    for i, cert in enumerate((s.pki.rogue, s.pki.other_host)):
        svc = s.serve(Answer(501), cert=cert)
        press_connect(l, "click" if i else "return")
        wait_until(lambda: svc.connections, 20, "a connection to the service")
        b = l.box()
        expect_equal(b.text, no_answer_text(True), "the box's text")
        expect_equal(svc.requests(), [], "request bytes received over an untrusted connection")
        l.dismiss(b)
        check_restored(l, connect_enabled=True)
        svc.stop()
    svc = s.serve(Answer(501))
    press_connect(l, "return")
    svc.wait_requests(1, 20)
    check_success(s, l)


# ---- The wait

def wheel_area(l):
    """The screen rectangle around the progress wheel: 16 by 16 over the picture, at (74, 68) of
    the window's content where the "Keldara Control" box is at (15, 134); with a margin."""
    x, y, _, _ = l.checkbox().extents()
    return x + 74 - 15 - 4, y + 68 - 134 - 4, 24, 24


def form_area(l):
    """The right-hand part of the window (the fields and buttons), away from the wheel."""
    x, y, w, h = l.screen.geometry(l.window)
    return x + 150, y + h - 174, w - 150, 174


@scenario("wait", timeout=120)
def stalled_host(s):
    """A host that takes the request and never answers: during the wait the window repaints, the
    wheel turns, and keys and clicks are dropped (a Return must not dismiss the box that follows,
    Escape and a click on Cancel must not end the launcher afterwards, typed text must not reach a
    field); 15 seconds after the connection the no-answer box shows; a second attempt makes a
    second request."""
    svc = s.serve(lambda i: Answer(None, stall=40) if i == 0 else Answer(401))
    l = s.launch().ready()
    l.fill(USER, PASSWORD)
    wheel = wheel_area(l)
    idle_wheel = l.screen.grab(*wheel)
    cancel = l.button("Cancel").centre()
    l.screen.key("Return")
    svc.wait_requests(1, 20)
    started = svc.connections[0].accepted

    frames = []
    for _ in range(8):
        frames.append(l.screen.grab(*wheel))
        time.sleep(0.12)
    if all(f == idle_wheel for f in frames):
        raise Failure("the wheel does not show during the wait")
    if len(set(frames)) < 2:
        raise Failure("the wheel does not turn during the wait")

    form = form_area(l)
    painted = l.screen.grab(*form)
    covered = l.screen.cover(*form, seconds=0.4)
    if covered == painted:
        raise Failure("the covering window did not show")
    wait_until(lambda: l.screen.grab(*form) == painted, 3, "the window to repaint after being uncovered")

    l.screen.key("Return")
    l.screen.key("Escape")
    l.screen.type("zz")
    l.screen.click(*cancel)
    if not l.alive():
        raise Failure("the launcher ended during the wait")

    # The box's window is looked for on the display (the accessibility bus may be slow to answer
    # while the launcher waits), then its text is read.
    main = l.window
    wait_until(lambda: [w for w in l.screen.windows(pid=l.proc.pid) if w != main], 25, "the no-answer box")
    waited = time.monotonic() - started
    if not 14.5 <= waited <= 19:
        raise Failure(f"the no-answer box showed {waited:.1f} s after the connection, expected 15 s")
    b = l.box()
    expect_equal(b.text, no_answer_text(True), "the box's text")
    time.sleep(1)
    if not l.boxes():
        raise Failure("the box went away by itself (a key pressed during the wait was replayed)")
    l.dismiss(b)
    time.sleep(1)
    if not l.alive():
        raise Failure(f"the launcher ended ({l.proc.returncode}) after the box: Escape or the click on "
                      "Cancel made during the wait was replayed")
    check_restored(l, connect_enabled=True)
    expect_equal(len(svc.requests()), 1, "requests made during the wait")

    b = attempt(l, svc, INCORRECT_PASSWORD, "click", requests_before=1)
    l.dismiss(b)
    check_restored(l, connect_enabled=False)
    for r in svc.requests():
        check_request(r)
    l.click(l.button("Cancel"))
    expect_equal(l.exit_code(), 0, "the exit code after Cancel")


@scenario("wait")
def close_during_wait(s):
    """A close request while the request is under way does not end the launcher mid-request: the
    answer that follows (501) is still acted on in full."""
    release = s.event()
    svc = s.serve(Answer(501, stall=30, release=release))
    l = s.launch().ready()
    l.fill(USER, PASSWORD)
    press_connect(l, "click")
    svc.wait_requests(1, 20)
    l.screen.request_close(l.window)
    time.sleep(1.5)
    if not l.alive():
        raise Failure(f"the launcher ended ({l.proc.returncode}) during the request after a close request")
    if s.records.script_started():
        raise Failure("the mount script ran before the host answered")
    release.set()
    check_success(s, l)


# ---- Secrecy

SECRET = "Qx7-unusual-Secret-9Kz"


def processes_holding(secret):
    """pids of every process on the machine whose argument list or environment holds secret."""
    needle = secret.encode()
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit() or int(pid) == os.getpid():
            continue
        for part in ("cmdline", "environ"):
            try:
                with open(f"/proc/{pid}/{part}", "rb") as f:
                    if needle in f.read():
                        found.append((int(pid), part))
            except OSError:
                pass
    return found


@scenario("secrecy")
def password_not_exposed(s):
    """While the mount script runs, no process on the machine has the password in its argument
    list or environment; the script still gets it on its standard input."""
    svc = s.serve(Answer(501))
    s.records.script_sleep(3)
    l = s.launch().ready()
    l.fill("carol", SECRET)
    press_connect(l, "return")
    svc.wait_requests(1, 20)
    wait_until(s.records.script_started, 20, "the mount script to start")
    leaks = []
    for _ in range(3):  # three looks while the script runs (it sleeps 3 s)
        time.sleep(0.6)
        if s.records.script_run():
            raise Failure("the mount script ended before the processes were looked at")
        leaks += processes_holding(SECRET)
    if leaks:
        details = []
        for pid, part in leaks:
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    cmdline = f.read().replace(b"\0", b" ")[:200]
                details.append(f"{pid} ({part}): {cmdline!r}")
            except OSError:
                details.append(f"{pid} ({part})")
        raise Failure("the password is visible in " + "; ".join(details))
    check_success(s, l, password=SECRET, account="carol")


# ---- Ending

@scenario("quit")
def close_ends(s):
    """Closing the window (the window manager's close request) ends the launcher with 0."""
    l = s.launch().ready()
    l.fill("anna", "x")
    l.screen.request_close(l.window)
    expect_equal(l.exit_code(), 0, "the exit code after closing the window")


def menu_open(l):
    edit = l.main().find("menu", "Edit")
    return any(item.showing for item in edit.children())


@scenario("quit")
def escape_in_menu_and_window(s):
    """Escape in an open menu (opened with F10, then with Alt+E) closes the menu and nothing else;
    Escape in the window then presses Cancel: exit code 0."""
    l = s.launch().ready()
    l.click(l.field(USER_CUE))
    for keys in (("F10",), ("alt+e",)):
        l.screen.key(*keys)
        l.ui.poll(lambda: menu_open(l), 5, f"the Edit menu to open with {keys[0]}")
        l.screen.key("Escape")
        l.ui.poll(lambda: not menu_open(l), 5, "the Edit menu to close")
        time.sleep(0.7)
        if not l.alive():
            raise Failure(f"Escape in the menu opened by {keys[0]} ended the launcher ({l.proc.returncode})")
        if not l.screen.windows("Keldara Launcher"):
            raise Failure("the sign-in window went away with the menu")
    l.screen.focus(l.window)
    l.screen.key("Escape")
    expect_equal(l.exit_code(), 0, "the exit code after Escape")


# ---- The windows as laid out

@dataclasses.dataclass
class Shown:
    """One control as the user meets it: its kind (the accessible role; "canvas" for a picture),
    its caption or text (a text field's cue), its place and size in the window's content area,
    whether its text is bold (None: not said), whether it shows and whether it is enabled (None:
    not said), and what a text field holds."""
    name: str
    kind: str
    text: str | None
    left: int
    top: int
    width: int
    height: int
    bold: bool | None
    shown: bool
    enabled: bool | None
    typed: str = ""  # what a text field holds


# Both windows as laid out: title, content size, what the window manager is offered, and every
# control in the order it is made. The progress wheel turns whether or not it is enabled, so its
# native widget is always enabled; the buttons' and check boxes' font is not readable.
LAYOUT = {
    "Keldara Launcher": ((473, 174), {"close", "minimise"}, [
        Shown("GroupBox1", "group box", "Mount your Keldara disk on your desktop", 155, 4, 293, 128, False, True,
              True),
        Shown("StaticText2", "label", "Password", 171, 74, 100, 22, False, True, True),
        Shown("StaticText1", "label", "Username", 171, 34, 100, 22, False, True, True),
        Shown("txt_pass", "password text", PASSWORD_CUE, 250, 78, 170, 22, False, True, True),
        Shown("btn_connect", "push button", "Connect", 350, 144, 80, 20, None, True, False),
        Shown("btn_cancel", "push button", "Cancel", 260, 144, 80, 20, None, True, True),
        Shown("txt_user", "text", USER_CUE, 250, 38, 170, 22, False, True, True),
        Shown("Canvas1", "canvas", None, 15, 4, 128, 128, None, True, True),
        Shown("kdProgress", "animation", None, 74, 68, 16, 16, None, False, None),
        Shown("chk_pw", "check box", "Remember Password in Keychain", 15, 153, 233, 20, None, False, False),
        Shown("chk_control", "check box", "Keldara Control", 15, 134, 128, 20, None, True, True),
        Shown("txt_forget", "label", "Forgotten your Password? Click Here", 250, 196, 180, 20, False, False,
              True),
    ]),
    "About Keldara Launcher": ((298, 300), {"close"}, [
        Shown("Canvas1", "canvas", None, 85, 23, 128, 128, None, True, True),
        Shown("StaticText1", "label", "Keldara Launcher", 85, 170, 128, 20, True, True, True),
        Shown("StaticText2", "label", "\u00a9 2009 Ovrin\nKeldara Launcher and the \"Mountain Key\" badge are "
              "trademarks of Ovrin, a unit of the Tessmark Group.", 20, 229, 258, 57, False, True, True),
        Shown("VerTxt", "label", "Version: {version} Universal", 20, 202, 258, 15, False, True, True),
    ]),
}


def content_area(frame):
    """The panel that holds a window's controls: below the frame, past the menu bar."""
    node = frame
    while True:
        inner = [c for c in node.children() if c.role != "menu bar"]
        if len(inner) != 1:
            return node
        node = inner[0]


def native_controls(content):
    """The controls of a content area in the order they were made, each as (kind, the node whose
    text and state are read, the node whose place and visibility are read): a label's text is
    read from its own label, not from the window holding it; what lies over a picture follows
    the picture."""
    for n in content.children():
        labels = [c for c in n.children() if c.role == "label"]
        if n.role == "panel" and labels:
            yield ("group box" if n.name else "label"), labels[0], n
        elif n.role == "panel" and not n.name:
            yield "canvas", n, n
            for over in n.children():
                yield over.role, over, over
        else:
            yield n.role, n, n


def check_laid_out(screen, x_window, frame, title, changes=None, **texts):
    """Reads a window and each of its controls and compares them with LAYOUT[title], in which
    `changes` ({control: {field: value}}) replaces some values and `texts` fill the texts' blanks."""
    (width, height), offers, rows = LAYOUT[title]
    problems = []

    def expect(got, want, what):
        if got != want:
            problems.append(f"{what}: expected {want!r}, got {got!r}")

    wm = screen.offered(x_window)
    expect(wm["title"], title, "the title")
    expect(frame.name, title, "the accessible title")
    expect(wm["offers"], offers, "what the window manager is offered")
    content = content_area(frame)
    cx, cy, cw, ch = content.extents()
    fx, fy, fw, fh = screen.geometry(x_window)
    expect((cw, ch), (width, height), "the content size")
    # The window is the content and the menu bar above it; it can take no other size.
    expect(wm["min"], (fw, fh), "the minimum size")
    expect(wm["max"], (fw, fh), "the maximum size")
    expect((fx, fy + fh, fw), (cx, cy + ch, cw), "the content's place in the window")
    found = list(native_controls(content))
    expect(len(found), len(rows), "the number of controls")
    for want, (kind, node, holder) in zip(rows, found):
        want = dataclasses.replace(want, **(changes or {}).get(want.name, {}))
        if want.text is not None:
            want.text = want.text.format(**texts)
        what = f"{title}: {want.name}"
        expect(kind, want.kind, f"{what}'s kind")
        if want.kind in ("text", "password text"):
            expect(node.attributes().get("placeholder-text"), want.text, f"{what}'s cue")
            expect(node.text(), want.typed, f"{what}'s text")
        elif want.text is not None:
            expect(node.text(), want.text, f"{what}'s text")
        if want.bold is not None:
            expect(node.bold(), want.bold, f"{what} bold")
        expect("showing" in holder.states(), want.shown, f"{what} shown")
        if want.enabled is not None:
            expect(node.enabled, want.enabled, f"{what} enabled")
        if want.shown:  # a hidden control has no place on the screen
            x, y, w, h = holder.extents()
            expect((x - cx, y - cy, w, h), (want.left, want.top, want.width, want.height), f"{what}'s place")
    if problems:
        raise Failure(f'the window "{title}" differs from its layout:\n  ' + "\n  ".join(problems))


@scenario("layout")
def windows_as_laid_out(s):
    """The sign-in window at start and with a user name typed (which shows the link, below the
    content area), then the About window opened from the Edit menu: each window's title, content
    size, fixed size and the buttons it asks the window manager for, and each control's place,
    text, weight, visibility and state, as the user's screen and screen reader get them."""
    l = s.launch().ready()
    title = "Keldara Launcher"
    check_laid_out(l.screen, l.window, l.main(), title)
    note("the sign-in window is as laid out")
    l.replace_text(USER_CUE, "bob")
    l.ui.poll(lambda: l.main().find("label", "Forgotten your Password? Click Here").showing, 5, "the link to show")
    check_laid_out(l.screen, l.window, l.main(), title, {"txt_user": {"typed": "bob"}, "txt_forget": {"shown": True}})

    l.screen.key("alt+e")
    edit = l.main().find("menu", "Edit")
    about = l.ui.poll(lambda: next((i for i in edit.children() if i.name == "About Keldara Launcher" and i.showing),
                                   None), 5, "the About item")
    l.click(about)
    title = "About Keldara Launcher"
    x_window = l.screen.wait_window(title)
    frame = l.ui.poll(lambda: next((t for t in l.ui.toplevels() if t.name == title), None), 10,
                      "the About window on the bus")
    l.ui.poll(lambda: any(n.text().startswith("Version:") for n in frame.find_all("label")), 5, "the version line")
    check_laid_out(l.screen, x_window, frame, title, version=s.built.version)
    note("the About window is as laid out")


# ---- A real mount

def session_command(s, argv, timeout=30):
    """A command of the subscriber's desktop session (its bus, its runtime folder)."""
    r = subprocess.run(argv, env=s.desktop.env, capture_output=True, text=True, timeout=timeout,
                       stdin=subprocess.DEVNULL)
    return r.returncode, r.stdout, r.stderr


@scenario("mount", timeout=240)
def real_mount(s):
    """One sign-in for real: the service accepts the credential with 501, the
    application's own mount script mounts the WebDAV share on the desktop, a file of the share
    reads back, and the launcher ends with 0."""
    content = "hello from the Keldara disk\n"
    host = BUILT.host(ACCOUNT)
    share = s.share(host, {ACCOUNT: PASSWORD}, {"hello.txt": content})
    l = s.launch(app="app-real").ready()
    l.fill(USER, PASSWORD)
    press_connect(l, "return")
    expect_equal(l.exit_code(150), 0, "the launcher's exit code")
    log = share.access_log()
    if not log or not log[0].startswith(f'{ACCOUNT} "GET / HTTP/1.0" 501 "Keldara Launcher"'):
        raise Failure(f"the sign-in request is not the first the share saw: {log[:3]}")
    note("share's log: " + " | ".join(log))
    location = f"davs://{ACCOUNT}@{host}/"
    rc, mounts, err = session_command(s, ["gio", "mount", "-l"])
    note("mounts: " + mounts.strip().replace("\n", " | "))
    if location not in mounts:
        raise Failure(f"{location} is not mounted; gio mount -l says:\n{mounts}{err}\n"
                      f"share log: {log}\n{share.error_log()}")
    rc, text, err = session_command(s, ["gio", "cat", location + "hello.txt"])
    expect_equal(text, content, f"the file read back through GVfs ({err.strip()})")
    if os.path.exists("/dev/fuse"):
        runtime = s.desktop.env["XDG_RUNTIME_DIR"]

        def through_fuse():
            import glob
            for p in glob.glob(os.path.join(runtime, "gvfs", "*", "hello.txt")):
                with open(p) as f:
                    return f.read()
        expect_equal(wait_until(through_fuse, 10, "the share in the FUSE view"), content,
                     "the file read back through the FUSE view")
        note("the file read back through gio and through the FUSE view")
