# SPDX-FileCopyrightText: 2026 the Lumora developers
# SPDX-License-Identifier: MIT
"""What the Python end-to-end tests share: a private Xvfb, D-Bus session bus and
accessibility bus; the program's window as a screen reader reads it; keys typed with
xdotool; what a test reports; and the frame each test runs in (main), which stops
everything the test started, also when it fails or is interrupted."""

import argparse
import contextlib
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
import traceback

SKIPPED = 77  # the exit code CTest reports as skipped
READY = "准备就绪"
SEARCHING = "正在淘宝服务器上搜索该店铺..."

# The window's controls as a screen reader names them: the text of their label
# or caption. Trailing "：" and "..." do not count.
TEXT_ROLES = {"text", "entry"}
CONTROLS = {
    "txtTB": (TEXT_ROLES, "店铺名称"),
    "cmdTBCX": ({"push button"}, "鉴定"),
    "cmdTBURL": ({"push button"}, "看详细结果"),
    "Check2": ({"check box"}, "消费者保障服务(如交保证金请打钩)"),
    "Check3": ({"check box"}, "违规行为(如有打钩)"),
    "Check4": ({"check box"}, "退款纠纷(如有打钩)"),
    "Check5": ({"check box"}, "投诉纠纷(如有打钩)"),
    "Check6": ({"check box"}, "处罚情况(如有打钩)"),
    "Text9": (TEXT_ROLES, "卖家信用"),
    "Text12": (TEXT_ROLES, "注册时间"),
    "Text7": (TEXT_ROLES, "近期好评数"),
    "Text8": (TEXT_ROLES, "近期差评数"),
    "Text10": (TEXT_ROLES, "专家建议"),
    "Command1": ({"push button"}, "退出"),
}
FACT_FIELDS = {"Text9": "sellerCredit", "Text7": "recentGoodRatings",
               "Text8": "recentBadRatings", "Text12": "registeredOn"}
INDICATORS = {"Check2": "consumerProtection", "Check3": "violations", "Check4": "refundDisputes",
              "Check5": "complaintDisputes", "Check6": "penalties"}


# ---------------------------------------------------------------- the report

class Stop(Exception):
    """The scenario cannot go on."""


class Skip(Exception):
    """The test cannot run on this machine."""


class Report:
    """What a test prints: each line starts with the test's tag, and each problem
    is kept for the summary at the end (see main), which lists them under heading."""

    def __init__(self, tag, heading):
        self.tag = tag
        self.heading = heading
        self.problems = []

    def note(self, message):
        print("%s: %s" % (self.tag, message), flush=True)

    def problem(self, message):
        self.problems.append(message)
        print("%s: FAIL: %s" % (self.tag, message), flush=True)


# ---------------------------------------------------------------- processes

class Processes:
    """Everything the test starts, each in a process group of its own, and
    whatever those start in turn (found by a marker in their environment)."""

    def __init__(self, work):
        self.work = work
        self.started = []

    def start(self, args, env=None, log=None, pass_fds=()):
        out = open(os.path.join(self.work, (log or os.path.basename(args[0])) + ".log"), "wb")
        p = subprocess.Popen(args, env=env, stdin=subprocess.DEVNULL, stdout=out,
                             stderr=subprocess.STDOUT, start_new_session=True, pass_fds=pass_fds)
        out.close()
        self.started.append(p)
        return p

    def start_for_line(self, args, env=None):
        """Starts a program that prints one line (a display, an address, a port)
        on the descriptor whose number stands for FD in args, or else on its
        standard output."""
        r, w = os.pipe()
        if any("FD" in a for a in args):
            p = self.start([a.replace("FD", str(w)) for a in args], env=env, pass_fds=(w,))
        else:
            p = subprocess.Popen(args, env=env, stdin=subprocess.DEVNULL, stdout=w,
                                 stderr=subprocess.DEVNULL, start_new_session=True)
            self.started.append(p)
        os.close(w)
        data = b""
        deadline = time.time() + 20
        while b"\n" not in data and time.time() < deadline:
            chunk = os.read(r, 256)
            if not chunk:
                break
            data += chunk
        os.close(r)
        line = data.decode().strip()
        if not line:
            raise Stop("%s printed nothing" % args[0])
        return p, line

    def stop(self):
        for p in reversed(self.started):
            with contextlib.suppress(ProcessLookupError, PermissionError):
                os.killpg(p.pid, signal.SIGTERM)
        deadline = time.time() + 5
        for p in reversed(self.started):
            try:
                p.wait(max(0.1, deadline - time.time()))
            except subprocess.TimeoutExpired:
                with contextlib.suppress(ProcessLookupError, PermissionError):
                    os.killpg(p.pid, signal.SIGKILL)
                p.wait()
        for pid in self.strays():
            with contextlib.suppress(ProcessLookupError):
                os.kill(pid, signal.SIGKILL)
        # A process that is not the test's own child is gone once the kernel
        # has taken it away, a moment after SIGKILL.
        deadline = time.time() + 10
        while self.strays() and time.time() < deadline:
            time.sleep(0.05)

    def strays(self):
        marker = self.work.encode()
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) == os.getpid():
                continue
            with contextlib.suppress(OSError), open("/proc/%s/environ" % entry, "rb") as f:
                if marker in f.read():
                    found.append(int(entry))
        return found


# ---------------------------------------------------------------- the bus

class Bus:
    """The accessibility bus as a screen reader sees it: the program's objects
    and the events they raise."""

    def __init__(self, pyatspi, glib):
        self.pyatspi = pyatspi
        self.context = glib.MainContext.default()
        self.events = []
        self.focus = []  # (object, role, name) of each object that took the focus
        self.listener = pyatspi.Registry
        self.listener.registerEventListener(
            self.on_event,
            "object:property-change:accessible-name", "object:text-changed",
            "object:state-changed", "focus:", "window:create", "window:activate",
            "object:children-changed")

    def on_event(self, event):
        source = event.source
        try:
            role, name = source.getRoleName(), source.name
        except Exception:  # the object is gone already
            role, name = "?", "?"
        data = event.any_data
        if not isinstance(data, (str, int, float, bool)) or data is None:
            data = None
        # What the object reads as the event arrives, as a screen reader would ask.
        text_now = None
        if event.type.startswith(("object:property-change:accessible-name",
                                  "object:text-changed")):
            text_now = read_text(source)
        record = {"type": event.type, "source": source, "role": role, "name": name,
                  "detail1": event.detail1, "data": data, "text_now": text_now,
                  "time": time.time()}
        self.events.append(record)
        if (event.type == "object:state-changed:focused" and event.detail1 == 1) \
                or event.type == "focus:":
            if not self.focus or self.focus[-1][0] is not source:
                self.focus.append((source, role, name))

    def pump(self, seconds, until=None):
        deadline = time.time() + seconds
        while True:
            while self.context.iteration(False):
                pass
            if until is not None and until():
                return True
            if time.time() >= deadline:
                return until is None
            time.sleep(0.02)

    def since(self, mark):
        return self.events[mark:]


def has_state(obj, state):
    try:
        return obj.getState().contains(state)
    except Exception:  # the object is gone
        return False


def read_text(obj):
    """What a screen reader reads of an object: its Text, else None."""
    with contextlib.suppress(Exception):
        if "Text" in obj.get_interfaces():
            return obj.queryText().getText(0, -1)
    return None


def reads(obj):
    """The status line may give its text as its name or through the Text interface."""
    values = set()
    with contextlib.suppress(Exception):
        values.add(obj.name)
    text = read_text(obj)
    if text is not None:
        values.add(text)
    return values


def children(obj):
    out = []
    with contextlib.suppress(Exception):
        for i in range(obj.childCount):
            c = obj.getChildAtIndex(i)
            if c is not None:
                out.append(c)
    return out


def subtree(obj):
    out = [obj]
    for c in children(obj):
        out.extend(subtree(c))
    return out


# The bus of Debian 13 (at-spi2-core 2.56) names a push button's role
# "button"; Debian 12's (2.46) says "push button". Both are the same role, and
# the test speaks of it by the older name.
ROLE_NAMES = {"button": "push button"}


def role_and_name(obj):
    """An object's role and name, or (None, None) once it is gone: a box that
    closes, or a view the browser engine replaces as it starts, leaves its path
    in a child list the bus has already handed out."""
    try:
        name = obj.getRoleName()
        return ROLE_NAMES.get(name, name), obj.name
    except Exception:
        return None, None


def role(obj):
    return role_and_name(obj)[0]


def normal(name):
    name = (name or "").strip()
    for tail in ("...", "：", ":", "…"):
        if name.endswith(tail):
            name = name[: -len(tail)]
    return name.strip()


def describe(obj):
    if obj is None:
        return "nothing"
    role, name = role_and_name(obj)
    return "an object that is gone" if role is None else "[%s] %r" % (role, name)


# ---------------------------------------------------------------- the program's window

class Window:
    def __init__(self, bus, app, frame):
        self.bus = bus
        self.pyatspi = bus.pyatspi
        self.app = app
        self.frame = frame
        self.controls = {}
        self.browser = []  # the hidden browser's objects
        self.status = None
        self.map_controls()

    def extents(self, obj):
        try:
            return obj.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        except Exception:
            return None

    def relative(self, obj):
        e, w = self.extents(obj), self.extents(self.frame)
        if e is None or w is None:
            return "?"
        return "at %d,%d %dx%d" % (e.x - w.x, e.y - w.y, e.width, e.height)

    def is_browser(self, obj):
        """The hidden browser: a child that holds a web document, or that lies
        wholly outside the window."""
        if any(role(o) in ("document web", "document frame") for o in subtree(obj)):
            return True
        e, w = self.extents(obj), self.extents(self.frame)
        if e is None or w is None or e.width <= 0 or e.height <= 0:
            return False
        return e.y + e.height <= w.y or e.x + e.width <= w.x or e.x >= w.x + w.width \
            or e.y >= w.y + w.height

    def map_controls(self):
        kids = children(self.frame)
        for child in kids:
            if self.is_browser(child):
                self.browser.extend(subtree(child))
        for designer, (roles, name) in CONTROLS.items():
            match = [c for c in kids if role(c) in roles and normal(c.name) == name]
            if match:
                self.controls[designer] = match[0]
        found = [c for c in subtree(self.frame) if role(c) == "status bar"]
        self.status = found[0] if found else None
        # Where the status line is today, for when nothing has the status-bar role:
        # the label right after 鉴定.
        search = self.controls.get("cmdTBCX")
        after = kids[kids.index(search) + 1:] if search in kids else []
        labels = [c for c in after if role(c) in ("label", "static")]
        self.status_fallback = labels[0] if labels else None

    def status_line(self):
        return self.status if self.status is not None else self.status_fallback

    def status_reads(self):
        line = self.status_line()
        return reads(line) if line is not None else set()

    def name_of(self, obj):
        """The designer name of a control, or a description of what it is."""
        for designer, c in self.controls.items():
            if c is obj:
                return designer
        if any(obj is b for b in self.browser):
            return "the hidden browser: " + describe(obj)
        return describe(obj)

    def enabled(self, designer):
        c = self.controls.get(designer)
        return c is not None and has_state(c, self.pyatspi.STATE_ENABLED) \
            and has_state(c, self.pyatspi.STATE_SHOWING)

    def checked(self, designer):
        return has_state(self.controls[designer], self.pyatspi.STATE_CHECKED)

    def focused_browser_objects(self):
        return [o for o in self.browser if has_state(o, self.pyatspi.STATE_FOCUSED)]

    def focus(self):
        """The object the bus last reported as taking the focus, or None."""
        return self.bus.focus[-1][0] if self.bus.focus else None

    def advice(self):
        box = self.controls.get("Text10")
        return (read_text(box) or "").strip() if box is not None else ""

    def facts_problems(self, expect):
        """What the window shows against the shop's expected facts, one line a
        difference: the four fields, the five indicators and the advice's score. A
        control missing from the bus is left to the test that looks for it."""
        out = ["%s reads %r, expected %r" % (d, read_text(self.controls[d]), expect[f])
               for d, f in FACT_FIELDS.items()
               if d in self.controls and read_text(self.controls[d]) != expect[f]]
        word = {True: "checked", False: "not checked"}
        out += ["%s is %s, expected %s" % (d, word[self.checked(d)], word[expect[f]])
                for d, f in INDICATORS.items()
                if d in self.controls and self.checked(d) != expect[f]]
        if "Text10" in self.controls and (str(expect["score"]) not in self.advice()
                                          or "暂无建议" in self.advice()):
            out.append("the advice box reads %r, expected the advice with the score %d"
                       % (self.advice(), expect["score"]))
        return out

    def press_button(self, button):
        """Presses a button through the bus, as a screen reader does; returns the
        button's actions."""
        action = button.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        action.doAction(names.index("Press") if "Press" in names else 0)
        return names


# ---------------------------------------------------------------- keys and the status line
# xdotool runs in the test's own environment, which start_desktop made the private desktop's.

def press(*keys):
    subprocess.run(["xdotool", "key", "--delay", "30", *keys], check=False, timeout=15)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "30", text], check=False, timeout=30)


def status_events(win, mark):
    """The texts the status line announced through events since mark."""
    line = win.status_line()
    heard = []
    for e in win.bus.since(mark):
        if line is None or e["source"] is not line:
            continue
        if e["type"].startswith("object:property-change:accessible-name"):
            heard.append(e["data"] if isinstance(e["data"], str) else e["name"])
        elif e["type"].startswith("object:text-changed:insert"):
            heard.append(e["text_now"] if e["text_now"] is not None else e["data"])
    return heard


# ---------------------------------------------------------------- the desktop and the program

def start_desktop(procs, work):
    """A private screen, session bus and accessibility bus, with accessibility
    turned on as a screen reader does; the test's own environment becomes the
    one a screen reader would have. Returns pyatspi's Bus."""
    home = os.path.join(work, "home")
    runtime = os.path.join(work, "runtime")
    os.mkdir(home, 0o700)
    os.mkdir(runtime, 0o700)

    _, display = procs.start_for_line(
        # -noreset: an X server that resets when its last client leaves refuses
        # connections meanwhile.
        ["Xvfb", "-displayfd", "FD", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
         "-noreset"])
    # Nothing of the caller's own desktop comes in: its screen, buses, input method and folders.
    for name in ("QT_QPA_PLATFORM", "AT_SPI_BUS_ADDRESS", "QT_ACCESSIBILITY",
                 "QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "NO_AT_BRIDGE", "WAYLAND_DISPLAY",
                 "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",
                 "IBUS_ADDRESS", "IBUS_ADDRESS_FILE", "QT_IM_MODULE", "GTK_IM_MODULE",
                 "XMODIFIERS"):
        os.environ.pop(name, None)
    os.environ.update({"DISPLAY": ":" + display, "HOME": home, "XDG_RUNTIME_DIR": runtime})
    _, address = procs.start_for_line(
        ["dbus-daemon", "--session", "--nofork", "--print-address=FD",
         "--address=unix:dir=" + work])
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
    procs.start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])

    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import GLib, Gio
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    deadline = time.time() + 15
    while True:
        try:
            for prop in ("IsEnabled", "ScreenReaderEnabled"):
                session.call_sync("org.a11y.Bus", "/org/a11y/bus",
                                  "org.freedesktop.DBus.Properties", "Set",
                                  GLib.Variant("(ssv)", ("org.a11y.Status", prop,
                                                         GLib.Variant("b", True))),
                                  None, Gio.DBusCallFlags.NO_AUTO_START, 2000, None)
            break
        except GLib.Error as error:
            if time.time() > deadline:
                raise Stop("the AT-SPI bus launcher did not come up: %s" % error.message)
            time.sleep(0.1)
    import pyatspi
    return Bus(pyatspi, GLib)


def start_program(procs, bus, args, report, delay_ms=0, **extra):
    """Starts the sample marketplace, each of its pages delay_ms late, and the program
    on the private screen and buses, with the marketplace as its proxy, a locale that
    is not Chinese and the extra environment. Returns the program, the marketplace's
    port, and the program's Window once shown on the bus, with the keyboard given to
    the window; the window's X id is window.x_window."""
    options = ["--delay-ms", str(delay_ms)] if delay_ms else []
    _, line = procs.start_for_line([args.marketplace, *options])
    port = line.split()[-1]
    env = {"PATH": "/usr/bin:/bin", "LANG": "C.UTF-8", "HOME": os.environ["HOME"],
           "XDG_RUNTIME_DIR": os.environ["XDG_RUNTIME_DIR"], "DISPLAY": os.environ["DISPLAY"],
           "DBUS_SESSION_BUS_ADDRESS": os.environ["DBUS_SESSION_BUS_ADDRESS"],
           "http_proxy": "http://127.0.0.1:" + port, **extra}
    if os.geteuid() == 0:  # the browser engine's sandbox cannot run as root
        env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
    program = procs.start([args.program], env=env, log="lumora")
    pyatspi = bus.pyatspi

    def find():
        desktop = pyatspi.Registry.getDesktop(0)
        for app in children(desktop):
            with contextlib.suppress(Exception):
                if app.get_process_id() == program.pid:
                    frames = [c for c in children(app) if c.name == "Lumora1.2"
                              and has_state(c, pyatspi.STATE_SHOWING)]
                    if frames:
                        return app, frames[0]
        return None

    if not bus.pump(60, lambda: find() is not None):
        raise Stop("the program's window never appeared on the accessibility bus "
                   "(is the program running? %s)" % (program.poll() is None))
    app, frame = find()
    report.note("on the bus: application %r (pid %d), window %s"
                % (app.name, program.pid, describe(frame)))
    # No window manager runs on the private screen: the window gets the keyboard directly.
    wid = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid",
                          str(program.pid), "--name", "Lumora1\\.2"], capture_output=True,
                         text=True, timeout=20).stdout.split()
    if not wid:
        raise Stop("xdotool finds no window of the program")
    subprocess.run(["xdotool", "windowfocus", "--sync", wid[0]], timeout=20)
    bus.pump(1.0, lambda: bool(bus.focus))
    win = Window(bus, app, frame)
    win.x_window = wid[0]
    return program, port, win


# ---------------------------------------------------------------- the frame of a test

def main(doc, report, run, nick, seconds, logs, skip_reason=None):
    """Reads the test's arguments and the sample shop whose nick is nick, starts the
    private desktop in a folder of its own and calls run(args, shop, procs, bus),
    interrupted after seconds. Then stops everything the test started, shows the last
    lines of the logs (file name: heading) if anything failed or run raised Skip, and
    returns the exit code: 0, 1 if a check failed, SKIPPED if the test was skipped."""
    parser = argparse.ArgumentParser(description=doc.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--marketplace", required=True)
    parser.add_argument("--keep", action="store_true", help="keep the logs and folders")
    parser.add_argument("--shops", default=os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "marketplace", "shops.json"))
    args = parser.parse_args()
    with open(args.shops, encoding="utf-8") as f:
        shop = next(s for s in json.load(f)["shops"] if s["nick"] == nick)

    work = tempfile.mkdtemp(prefix=os.path.splitext(parser.prog)[0] + "-")
    procs = Processes(work)
    skipped = None

    def interrupted(signum, frame):
        raise Stop("interrupted by signal %d" % signum)

    signal.signal(signal.SIGTERM, interrupted)
    signal.signal(signal.SIGALRM, interrupted)
    signal.alarm(seconds)  # well before the test runner's own limit
    try:
        run(args, shop, procs, start_desktop(procs, work))
    except Skip as skip:
        skipped = str(skip)
    except Stop as stop:
        report.problem(str(stop))
    except Exception:
        report.problem("the test itself broke:\n" + traceback.format_exc())
    finally:
        signal.alarm(0)
        procs.stop()
        left = procs.strays()
        if left:
            report.problem("processes left running: %s" % left)
        for log, heading in logs.items():
            path = os.path.join(work, log)
            if (report.problems or skipped) and os.path.exists(path):
                with open(path, errors="replace") as f:
                    lines = f.read().splitlines()[-15:]
                report.note("%s:\n    %s" % (heading, "\n    ".join(lines)))
        if args.keep:
            report.note("kept the logs in %s" % work)
        else:
            shutil.rmtree(work, ignore_errors=True)
    if skipped and not report.problems:
        report.note("SKIPPED: %s: %s" % (skip_reason, skipped))
        print("%s: 0 passed, 0 failed, 1 skipped" % report.tag)
        return SKIPPED
    failed = 1 if report.problems else 0
    print("%s: %d passed, %d failed" % (report.tag, 1 - failed, failed))
    if report.problems:
        print("%s: %s:" % (report.tag, report.heading))
        for p in report.problems:
            print("  - " + p)
    return failed
