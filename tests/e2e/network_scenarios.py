"""Scenarios of the sign-in request on networks as they are in the wild: a slow or dead name
server, an account host whose first address swallows packets, a slow TLS handshake, answers
with mixed line ends and a long page. Each makes its name server and black-holed addresses in
its own namespace (kit/dns.py, kit/blackhole.py) and judges the launcher by the protocol events
it causes and by the 15-second rule."""
import socket
import time

from kit import dns
from kit.blackhole import Blackhole
from kit.launcher import PASSWORD_CUE, USER_CUE, expect_equal
from kit.procs import Failure, note, wait_until
from kit.quirks import RawAnswer, SlowHandshakeService
from kit.service import Answer
import scenarios  # noqa: E402  (the names of the build under test, once a session is open)
from scenarios import (INCORRECT_PASSWORD, INCORRECT_USERNAME, NOT_ONLINE, PASSWORD, USER,
                       USERNAME_NOT_FOUND, attempt, check_request, check_restored, check_success,
                       form_area, no_answer_text, scenario, wheel_area)

def host():
    """The account host of the scenarios' subscriber, under the service's domain of the build."""
    return scenarios.BUILT.host("bob")


LIMIT = 15.0  # the wait's time limit, in seconds
SLACK = 1.5  # what showing a box may add to it on a loaded machine
DEAD_V6 = "2001:db8:dead::1"
DEAD_NAME_SERVER = "198.51.100.53"


# ---- Looking at the screen

def differing(a, b):
    """The share of pixels that differ between two grabs of the same rectangle (RGB bytes)."""
    if len(a) != len(b):
        return 1.0
    n = len(a) // 3
    return sum(1 for i in range(0, len(a), 3) if a[i:i + 3] != b[i:i + 3]) / n if n else 0.0


def window_rect(l):
    return l.screen.geometry(l.window)


def fields_area(l):
    """The rectangle holding both text fields."""
    boxes = [l.field(cue).extents() for cue in (USER_CUE, PASSWORD_CUE)]
    x0, y0 = min(b[0] for b in boxes), min(b[1] for b in boxes)
    x1, y1 = max(b[0] + b[2] for b in boxes), max(b[1] + b[3] for b in boxes)
    return x0, y0, x1 - x0, y1 - y0


def box_window(l, timeout):
    """Waits for a window of the launcher other than the sign-in window, on the display itself
    (the accessibility bus is not asked: a launcher stuck in a call does not answer it)."""
    main = l.window
    return wait_until(lambda: [w for w in l.screen.windows(pid=l.proc.pid) if w != main], timeout,
                      "a box of the launcher")


def press_return(l):
    """Return in the password field; gives the time of the press."""
    l.click(l.field(PASSWORD_CUE))
    l.screen.key("End")
    t = time.monotonic()
    l.screen.key("Return")
    return t


def check_turning(l, wheel, idle, what):
    """Two grabs of the wheel's rectangle half a second apart: the wheel shows and has moved.
    (The rectangle is found before the press: a launcher stuck in a call does not answer the
    accessibility bus.)"""
    a = l.screen.grab(*wheel)
    time.sleep(0.5)
    b = l.screen.grab(*wheel)
    if a == idle and b == idle:
        raise Failure(f"the wheel does not show {what}")
    if a == b:
        raise Failure(f"the wheel does not turn {what}")


def check_repaints(l, what):
    """The form (away from the wheel) is covered by another window and drawn again after."""
    form = form_area(l)
    painted = l.screen.grab(*form)
    covered = l.screen.cover(*form, seconds=0.4)
    if covered == painted:
        raise Failure("the covering window did not show")
    wait_until(lambda: l.screen.grab(*form) == painted, 3, f"the window to repaint {what}")


def outcome(s, l, timeout):
    """What one press of Connect ended in: ("box", text) or ("success", None) once the mount
    script has started."""
    def probe():
        if s.records.script_started():
            return ("success", None)
        if not l.alive():
            raise Failure(f"the launcher ended ({l.proc.returncode}) without running the mount script")
        shown = l.boxes()
        return ("box", shown[0].text) if shown and shown[0].text else None
    return l.ui.poll(probe, timeout, "a box or the mount script")


def resolver_order(name):
    """The addresses of name in the order the system resolver gives them to a client."""
    infos = socket.getaddrinfo(name, 443, socket.AF_UNSPEC, socket.SOCK_STREAM, 0, socket.AI_ADDRCONFIG)
    return [i[4][0] for i in infos]


# ---- The name look-up inside the wait

@scenario("network", timeout=150)
def slow_resolver(s):
    """The account host's name server answers after 25 s: meanwhile the wheel turns and the
    window repaints; the no-answer box ("Code: 0") shows 15 s after the press, before the answer;
    a new press made while the first look-up is still unanswered gets its own answer at once; the
    late answer of the abandoned look-up sends nothing."""
    ns = dns.NameServer()
    ns.set(host(), a=["127.0.0.1"], delay=25)
    dns.use("127.0.0.1", ["timeout:30", "attempts:1"], unlist=[host()])
    svc = s.serve(Answer(401, b"<html>Unauthorized</html>"))
    l = s.launch().ready()
    l.fill(USER, PASSWORD)
    wheel = wheel_area(l)
    idle = l.screen.grab(*wheel)
    pressed = press_return(l)
    wait_until(lambda: ns.asked(host()), 5, "the account host's look-up")
    check_turning(l, wheel, idle, "while the name server has not answered")
    check_repaints(l, "while the name server has not answered")

    box_window(l, 30)
    waited = time.monotonic() - pressed
    answered = [q.answered for q in ns.asked(host()) if q.answered is not None]
    note(f"box {waited:.2f} s after the press; name server answered: {bool(answered)}")
    if answered and min(answered) - pressed < waited:
        raise Failure(f"the box showed {waited:.1f} s after the press, after the name server's answer "
                      f"({min(answered) - pressed:.1f} s): the look-up was waited for")
    if not LIMIT - 0.5 <= waited <= LIMIT + SLACK:
        raise Failure(f"the box showed {waited:.1f} s after the press, expected {LIMIT:g} s")
    b = l.box()
    expect_equal(b.text, no_answer_text(True), "the box's text")
    l.dismiss(b)
    check_restored(l, connect_enabled=True)

    ns.set(host(), a=["127.0.0.1"], delay=0)
    pending = not any(q.answered for q in ns.asked(host()))
    note(f"second press; first look-up still unanswered: {pending}")
    b = attempt(l, svc, INCORRECT_PASSWORD, "click", requests_before=0)
    l.dismiss(b)
    wait_until(lambda: all(q.answered for q in ns.asked(host())), 20, "the name server's late answers")
    time.sleep(1.5)
    expect_equal(len(svc.connections), 1, "connections made (the abandoned look-up's late answer must send "
                                          "nothing)")
    check_request(svc.requests()[0])
    if not pending:
        raise Failure("the second press came after the first look-up's answer: the check of an abandoned "
                      "look-up proves nothing")


@scenario("network", management=False, timeout=150)
def dead_name_server(s):
    """The only name server swallows the questions (two 5 s tries per look-up): the sign-in window
    is drawn in full while the management host's look-up at start is unanswered; after the
    warning, a press of Connect greys the fields and shows the turning wheel at once, and the
    no-answer box follows, without a firewall line."""
    bh = Blackhole([DEAD_NAME_SERVER + "/32"])
    dns.use(DEAD_NAME_SERVER, unlist=[host()])
    svc = s.serve(Answer(401))
    l = s.launch()
    l.wait_window()
    mapped = time.monotonic()
    rect = window_rect(l)
    frames = []
    main = l.window
    while not [w for w in l.screen.windows(pid=l.proc.pid) if w != main]:
        frames.append((time.monotonic(), l.screen.grab(*rect)))
        if time.monotonic() - l.started > 30:
            raise Failure("no warning box within 30 s of the start")
    b = l.box()
    expect_equal(b.text, NOT_ONLINE, "the box at start")
    l.dismiss(b)
    l.screen.focus(l.window)
    time.sleep(0.5)
    drawn = l.screen.grab(*rect)
    tries = sorted(p.seen for p in bh.seen(DEAD_NAME_SERVER, 17))
    if not tries:
        raise Failure("no question reached the name server's address")
    retry = next((t for t in tries if t - tries[0] > 2), None)
    shares = [(t, differing(f, drawn)) for t, f in frames]
    note("window vs drawn at " + ", ".join(f"{t - l.started:.2f} s: {d:.3f}" for t, d in shares[:6]))
    first = next((t for t, d in shares if d < 0.02), None)
    if first is None:
        raise Failure("the window never looked drawn before the warning")
    which = "the first grab" if first == shares[0][0] else "a later grab"
    note(f"window mapped {mapped - l.started:.2f} s after the start, seen drawn in {which} taken at "
         f"{first - l.started:.2f} s; management look-up asked at {tries[0] - l.started:.2f} s, asked again "
         f"at {'-' if retry is None else f'{retry - l.started:.2f}'} s")
    if retry is None or first >= retry:
        raise Failure(f"the window was first drawn {first - l.started:.1f} s after the start, not before the "
                      "name server's first try timed out")

    l.fill(USER, PASSWORD)
    wheel = wheel_area(l)
    idle = l.screen.grab(*wheel)
    fields = fields_area(l)
    enabled = l.screen.grab(*fields)
    pressed = press_return(l)
    greyed = shown = None
    # A launcher that resolves before the wait shows nothing until the name server's first 5 s try
    # has run out; the bound leaves a loaded machine room below that.
    while time.monotonic() - pressed < 4 and not (greyed and shown):
        now = time.monotonic()
        if greyed is None and differing(l.screen.grab(*fields), enabled) > 0.05:
            greyed = now - pressed
        if shown is None and l.screen.grab(*wheel) != idle:
            shown = now - pressed
    note("after the press: fields greyed at " + ("-" if greyed is None else f"{greyed:.2f}") + " s, wheel at "
         + ("-" if shown is None else f"{shown:.2f}") + " s")
    if greyed is None or shown is None or max(greyed, shown) > 4.0:
        raise Failure(f"the fields did not look disabled and the wheel did not show at once after the press "
                      f"(greyed: {greyed}, wheel: {shown})")
    check_turning(l, wheel, idle, "while the account host's look-up is unanswered")
    box_window(l, 40)
    note(f"box {time.monotonic() - pressed:.2f} s after the press")
    b = l.box()
    expect_equal(b.text, no_answer_text(False), "the box's text")
    expect_equal(svc.connections, [], "connections to the service")
    l.dismiss(b)
    check_restored(l, connect_enabled=True)


# ---- Every address

@scenario("network")
def first_address_blackholed(s):
    """The account host's first address (IPv6) swallows packets, its second (IPv4) works: the
    real outcome ("Incorrect Password" for a 401) arrives long before the time limit, after the
    first address was tried, with exactly one connection and one request at the service."""
    bh = Blackhole([DEAD_V6.rsplit(":", 2)[0] + "::/48"])
    ns = dns.NameServer()
    ns.set(host(), a=["127.0.0.1"], aaaa=[DEAD_V6])
    dns.use("127.0.0.1", unlist=[host()])
    expect_equal(resolver_order(host()), [DEAD_V6, "127.0.0.1"], "the resolver's order of the addresses")
    svc = s.serve(Answer(401, b"<html>Unauthorized</html>"))
    l = s.launch().ready()
    l.fill(USER, PASSWORD)
    pressed = press_return(l)
    box_window(l, 30)
    waited = time.monotonic() - pressed
    note(f"box {waited:.2f} s after the press")
    b = l.box()
    expect_equal(b.text, INCORRECT_PASSWORD, f"the box's text ({waited:.1f} s after the press)")
    if waited > LIMIT / 3:
        raise Failure(f"the outcome took {waited:.1f} s: the second address was not tried while the first hung")
    syns = bh.seen(DEAD_V6, 6)
    if not syns or syns[0].seen > svc.connections[0].accepted:
        raise Failure("the black-holed first address was not tried before the second")
    note(f"first address tried {syns[0].seen - pressed:.3f} s, second connected "
         f"{svc.connections[0].accepted - pressed:.3f} s after the press")
    time.sleep(1)
    expect_equal(len(svc.connections), 1, "connections at the service")
    expect_equal(len(svc.requests()), 1, "requests at the service")
    check_request(svc.requests()[0])


# ---- The secure connection

@scenario("network", timeout=120)
def slow_handshake(s):
    """The TLS handshake completes 10 s after the TCP connection, and the answer (401) follows 8 s
    later, within the time limit counted from the secure connection: its real outcome shows, not
    the no-answer box."""
    svc = SlowHandshakeService(*s.pki.server, Answer(401, b"<html>Unauthorized</html>", stall=8),
                               handshake_delay=10)
    s.services.append(svc)
    l = s.launch().ready()
    l.fill(USER, PASSWORD)
    pressed = press_return(l)
    box_window(l, 45)
    waited = time.monotonic() - pressed
    b = l.box()
    c = svc.connections[0]
    note(f"connected {c.accepted - pressed:.2f} s, answered "
         f"{'-' if c.answered is None else f'{c.answered - pressed:.2f}'} s, box {waited:.2f} s after the press")
    expect_equal(b.text, INCORRECT_PASSWORD, f"the box's text ({waited:.1f} s after the press)")
    expect_equal(len(svc.requests()), 1, "requests at the service")


# ---- Reading the answer

LF_HEAD_CRLF_BODY = (b"HTTP/1.0 200 OK\nServer: x\nContent-Type: text/html\n\n",
                     b"<html>\r\n<body>Error 404: no such user</body>\r\n</html>\r\n")
MIXED = [
    ("401, LF status line, CR LF after", RawAnswer(401, raw_head=b"HTTP/1.0 401 Unauthorized\nServer: x\r\n\r\n"),
     ("box", INCORRECT_PASSWORD)),
    ("200, LF header block, CR LF page", RawAnswer(200, LF_HEAD_CRLF_BODY[1], raw_head=LF_HEAD_CRLF_BODY[0]),
     ("box", INCORRECT_USERNAME)),
    # Header blocks longer than any buffer of the reader: read to their empty line all the same.
    ("401 with one 70,000-byte header line",
     RawAnswer(401, raw_head=b"HTTP/1.0 401 Unauthorized\r\nX-Long: " + b"a" * 70000 + b"\r\n\r\n"),
     ("box", INCORRECT_PASSWORD)),
    ("403 with 20,000 header lines",
     RawAnswer(403, b"<html>no such user</html>",
               raw_head=b"HTTP/1.0 403 Forbidden\r\n"
               + b"".join(b"X-Filler: %d\r\n" % i for i in range(20000)) + b"\r\n"),
     ("box", USERNAME_NOT_FOUND)),
    ("501, LF status line, CR LF after", RawAnswer(501, raw_head=b"HTTP/1.0 501 OK\nServer: x\r\n\r\n"),
     ("success", None)),
]


@scenario("network")
def answers_as_written(s):
    """Answers read as their writer meant: a 401 whose status line ends in LF alone, a 200 with an
    LF header block and a CR LF page holding "404", a 401 with a 70,000-byte header line, a 403
    with 20,000 header lines, and a 501 like the first 401 (success: the mount script runs)."""
    svc = s.serve(lambda i: MIXED[min(i, len(MIXED) - 1)][1])
    l = s.launch().ready()
    l.fill(USER, PASSWORD)
    wrong = []
    for i, (what, _, want) in enumerate(MIXED):
        if i:
            l.edit_field(PASSWORD_CUE)
            l.ui.poll(lambda: l.connect_button().enabled, 5, "Connect to be enabled by the edit")
        n = len(svc.requests())
        press_return(l)
        svc.wait_requests(n + 1, 20)
        got = outcome(s, l, 25)
        note(f"{what}: {got}")
        if got != want:
            wrong.append(f"{what}: expected {want}, got {got}")
        if got[0] == "box":
            l.dismiss(l.box())
    if wrong:
        raise Failure("; ".join(wrong))
    check_success(s, l)


@scenario("network")
def late_404(s):
    """A 200 whose "404" comes after 2 MiB of page, split over two pieces sent apart: "Incorrect
    Username"."""
    lead = 2 * 1024 * 1024 + 1
    page = b"a" * lead + b"404 no such user</html>"
    svc = s.serve(Answer(200, page, drip_size=lead + 1, drip_every=0.3))
    l = s.launch().ready()
    l.fill(USER, PASSWORD)
    b = attempt(l, svc, INCORRECT_USERNAME, "return")
    l.dismiss(b)
    check_restored(l, connect_enabled=False)

