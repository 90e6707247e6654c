#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 the Lumora developers
# SPDX-License-Identifier: MIT
"""What a screen reader hears of Lumora, read the way screen readers read it.

    tst_accessibility.py --program PATH --marketplace PATH [--shops shops.json] [--keep]

Starts a private Xvfb, a private D-Bus session bus and the AT-SPI bus launcher,
turns accessibility on as a screen reader does (org.a11y.Status IsEnabled and
ScreenReaderEnabled), starts the sample marketplace (answering a little late,
so that each step of a lookup can be heard) and the real program, and then
listens to the program over the accessibility bus with pyatspi while xdotool
types on the real window:

  1. every visible control has a role and a name; fields give their text; the
     status line is a status bar that reads "准备就绪";
  2. Tab and Shift+Tab go round the visible, enabled controls in the window's
     focus order and never into the hidden browser;
  3. a whole lookup by keyboard: the status line reads each step and raises an
     event for each change, the fields give the facts, the indicators are check
     boxes whose checked state follows their value, the advice box gives the
     advice and raised a text-changed event; Tab again;
  4. a name that does not exist: an alert whose text can be read and whose
     button, read as "确定", can be pressed through the bus; the window is
     usable afterwards;
  5. a lookup that hangs: the focus rests on the status line and no key does
     anything while it runs; "退出" pressed through the bus ends the program.

Every check that fails is reported with what the bus said and what was
expected; the test goes on where it can and exits 1 if any check failed.
Everything it started is stopped again, also when it fails or is interrupted.
"""

import argparse
import json
import os
import signal
import subprocess
import sys
import tempfile
import time
import traceback

READY = "准备就绪"
SEARCHING = "正在淘宝服务器上搜索该店铺..."
FETCHING = "正在获取店铺信用信息......"
NOT_FOUND = "您所查询的店铺不存在，请注意查询请输入旺旺名，不是对方起的名！"
SHOP = "a+b_store"  # found, with a penalty: two indicators checked, three not
MISSING = "不存在的掌柜"
HANGS = "slow_mirror"  # its front page never finishes loading
DELAY_MS = 400  # each page of the sample marketplace comes this late
OK_BUTTON = "确定"  # the message boxes' button, in Qt's own Chinese

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
FOCUS_ORDER = ["Text12", "Text10", "Text9", "Text8", "Text7", "Check6", "Check5", "Check4",
               "Check3", "Check2", "cmdTBCX", "cmdTBURL", "txtTB", "Command1"]
FACT_FIELDS = {"Text9": "sellerCredit", "Text7": "recentGoodRatings",
               "Text8": "recentBadRatings", "Text12": "registeredOn"}
INDICATORS = {"Check2": "consumerProtection", "Check3": "violations", "Check4": "refundDisputes",
              "Check5": "complaintDisputes", "Check6": "penalties"}

problems = []
TAG = "a11y"  # what each line of the report starts with; another test that uses these sets its own


def note(message):
    print("%s: %s" % (TAG, message), flush=True)


def problem(message):
    problems.append(message)
    print("%s: FAIL: %s" % (TAG, message), flush=True)


class Stop(Exception):
    """The scenario cannot go on."""


def normal(name):
    name = (name or "").strip()
    for tail in ("...", "：", ":", "…"):
        if name.endswith(tail):
            name = name[: -len(tail)]
    return name.strip()


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
            try:
                os.killpg(p.pid, signal.SIGTERM)
            except (ProcessLookupError, PermissionError):
                pass
        deadline = time.time() + 5
        for p in reversed(self.started):
            try:
                p.wait(max(0.1, deadline - time.time()))
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(p.pid, signal.SIGKILL)
                except (ProcessLookupError, PermissionError):
                    pass
                p.wait()
        for pid in self.strays():
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
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
            try:
                with open("/proc/%s/environ" % entry, "rb") as f:
                    if marker in f.read():
                        found.append(int(entry))
            except OSError:
                pass
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


def states(obj):
    try:
        return obj.getState()
    except Exception:
        return None


def has_state(obj, state):
    s = states(obj)
    return s is not None and s.contains(state)


def read_text(obj):
    """What a screen reader reads of an object: its Text, else None."""
    try:
        if "Text" in obj.get_interfaces():
            t = obj.queryText()
            return t.getText(0, -1)
    except Exception:
        pass
    return None


def reads(obj):
    """The status line may give its text as its name or through the Text interface."""
    values = set()
    try:
        values.add(obj.name)
    except Exception:
        pass
    text = read_text(obj)
    if text is not None:
        values.add(text)
    return values


def children(obj):
    out = []
    try:
        for i in range(obj.childCount):
            c = obj.getChildAtIndex(i)
            if c is not None:
                out.append(c)
    except Exception:
        pass
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


def describe(obj):
    if obj is None:
        return "nothing"
    try:
        return "[%s] %r" % (obj.getRoleName(), obj.name)
    except Exception:
        return "an object that is gone"


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
        if self.status is None:
            # Where the status line is today: the label right after 鉴定.
            search = self.controls.get("cmdTBCX")
            if search in kids:
                after = kids[kids.index(search) + 1:]
                labels = [c for c in after if role(c) in ("label", "static")]
                self.status_fallback = labels[0] if labels else None
            else:
                self.status_fallback = None

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

    def focused_browser_objects(self):
        return [o for o in self.browser if has_state(o, self.pyatspi.STATE_FOCUSED)]


# ---------------------------------------------------------------- the checks

def check_controls(win):
    """Every visible control has a role and a name; fields give their text."""
    p = win.pyatspi
    note("the window: %s with %d children" % (describe(win.frame), len(children(win.frame))))
    for child in children(win.frame):
        if any(child is b for b in win.browser):
            note("  %s %s: the hidden browser" % (describe(child), win.relative(child)))
            continue
        if not (has_state(child, p.STATE_SHOWING) and has_state(child, p.STATE_VISIBLE)):
            continue
        kind = role(child)
        if kind is None:  # gone since the list was read
            continue
        text = read_text(child)
        note("  %s %s%s" % (describe(child), win.relative(child),
                            "" if text is None else " text=%r" % text))
        if kind in ("unknown", "invalid", "redundant object"):
            problem("a visible control %s has no role: %s" % (win.relative(child), describe(child)))
        if kind != "separator" and not (child.name or "").strip():
            problem("a visible control %s has no name: the bus reports %s "
                    "(a decorative line may be a separator instead)"
                    % (win.relative(child), describe(child)))
    for designer, (roles, name) in CONTROLS.items():
        if designer not in win.controls:
            problem("no %s named %r (%s) among the window's children"
                    % (" or ".join(sorted(roles)), name, designer))
    for designer in ("txtTB", "Text7", "Text8", "Text9", "Text12", "Text10"):
        c = win.controls.get(designer)
        if c is not None and read_text(c) is None:
            problem("%s (%s) gives no text through the Text interface" % (designer, describe(c)))


def check_status(win, expected, when):
    line = win.status_line()
    if line is None:
        return
    if expected not in reads(line):
        problem("%s: the status line reads %s, expected %r"
                % (when, " / ".join(repr(v) for v in sorted(reads(line))) or "nothing", expected))


def check_focus_is_on(win, designer, when):
    have = win.bus.focus[-1][0] if win.bus.focus else None
    if have is not win.controls.get(designer):
        problem("%s: the focus is on %s, expected %s" % (when, win.name_of(have) if have else
                                                          "nothing the bus reported", designer))
        return False
    return True


def press(display_env, *keys):
    subprocess.run(["xdotool", "key", "--delay", "30"] + list(keys), env=display_env, check=False,
                   timeout=15)


def type_text(display_env, text):
    subprocess.run(["xdotool", "type", "--delay", "30", text], env=display_env, check=False,
                   timeout=30)


def tab_round(win, display_env, when):
    """Tab, then Shift+Tab, once round the window each; the focus must go
    through the enabled controls in the focus order, never into the browser."""
    enabled = [d for d in FOCUS_ORDER if win.enabled(d)]
    note("%s: the enabled controls in focus order: %s" % (when, " ".join(enabled)))
    for key, order in (("Tab", enabled), ("shift+Tab", list(reversed(enabled)))):
        start = win.bus.focus[-1][0] if win.bus.focus else None
        first = win.name_of(start) if start is not None else None
        if first not in order:
            field = next(d for d in order if d.startswith("Text"))  # clicking does nothing else
            note("%s: before %s the focus is on %s; the test clicks %s to go on"
                 % (when, key, first or "nothing the bus reported", field))
            click(win, display_env, field, when)
            start = win.bus.focus[-1][0]
            first = win.name_of(start)
            if first not in order:
                problem("%s: the name box is not an enabled control in the focus order" % when)
                return
        at = order.index(first)
        expected = [order[(at + i) % len(order)] for i in range(1, len(order) + 1)]
        heard = []
        stray = set()
        # Once round, and a few presses more if the focus strays, until it is back.
        for _ in range(len(order) + 4):
            count = len(win.bus.focus)
            press(display_env, key)
            moved = win.bus.pump(1.0, lambda: len(win.bus.focus) > count)
            now = win.bus.focus[-1][0] if moved else None
            heard.append(win.name_of(now) if now is not None else "(no focus event)")
            stray.update(describe(o) for o in win.focused_browser_objects())
            if heard[-1] == first or heard[-3:] == ["(no focus event)"] * 3:
                break
        note("%s: %s from %s went %s" % (when, key, first, " > ".join(heard)))
        if heard != expected:
            wrong = next(i for i in range(len(heard) + 1)
                         if i >= len(heard) or i >= len(expected) or heard[i] != expected[i])
            problem("%s: %s #%d from %s: the bus reported the focus on %s, expected %s; "
                    "the whole round went %s"
                    % (when, key, wrong + 1, ([first] + heard)[wrong],
                       heard[wrong] if wrong < len(heard) else "(nothing)",
                       expected[wrong] if wrong < len(expected) else "(the round to end)",
                       " > ".join(heard)))
        if stray:
            problem("%s: while pressing %s the bus reported the hidden browser's %s as focused"
                    % (when, key, ", ".join(sorted(stray))))


def focus_name_box(win, display_env, when):
    """Brings the focus to the name box with Shift+Tab, as a keyboard user would;
    if the keys are caught elsewhere, clicks it so that the test can go on."""
    silent = 0
    for _ in range(len(FOCUS_ORDER) + 2):
        have = win.bus.focus[-1][0] if win.bus.focus else None
        if have is win.controls.get("txtTB"):
            return
        count = len(win.bus.focus)
        press(display_env, "shift+Tab")
        silent = 0 if win.bus.pump(1.0, lambda: len(win.bus.focus) > count) else silent + 1
        if silent == 3:
            break
    have = win.bus.focus[-1][0] if win.bus.focus else None
    problem("%s: Shift+Tab cannot bring the focus back to the name box; it stays on %s "
            "(the test clicks the name box to go on)" % (when, win.name_of(have) if have else "?"))
    click(win, display_env, "txtTB", when)


def click(win, display_env, designer, when):
    """A mouse click into a text field, to bring the focus back where the keys lost it."""
    control = win.controls[designer]
    box, frame = win.extents(control), win.extents(win.frame)
    if box is None or frame is None:
        raise Stop("%s: %s has no place on the screen to click" % (when, designer))
    subprocess.run(["xdotool", "mousemove", "--window", win.x_window,
                    str(box.x - frame.x + box.width // 2), str(box.y - frame.y + box.height // 2),
                    "click", "1"], env=display_env, timeout=20)
    if not win.bus.pump(3, lambda: win.bus.focus and win.bus.focus[-1][0] is control):
        raise Stop("%s: even a click does not bring the focus to %s" % (when, designer))


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


def in_order(wanted, seen, contains=False):
    """Whether seen holds each of wanted, in this order (each within an item when contains)."""
    it = iter(seen)
    return all(any((w in s) if contains else (w == s) for s in it) for w in wanted)


def lookup_by_keyboard(win, display_env, shop):
    p = win.pyatspi
    mark = len(win.bus.events)
    type_text(display_env, SHOP)
    read = []

    locked = []

    def watch():
        now = " / ".join(repr(v) for v in sorted(win.status_reads())) or "nothing"
        if not read or read[-1] != now:
            read.append(now)
        # The lookup has ended when the name box, locked while it ran, is enabled again.
        if not win.enabled("txtTB"):
            locked.append(True)
        return bool(locked) and win.enabled("txtTB")

    press(display_env, "Return")
    if not win.bus.pump(30, watch):
        problem("the lookup of %s never ended: the name box was %s"
                % (SHOP, "never locked" if not locked else "never enabled again"))
    win.bus.pump(0.5)
    watch()
    note("the lookup of %s: the status line read %s" % (SHOP, " > ".join(read)))
    if not in_order([repr(SEARCHING), repr(FETCHING), repr(READY)], read, contains=True):
        problem("the lookup of %s: reading the status line while it ran gave %s; expected %s"
                % (SHOP, " > ".join(read), " > ".join([SEARCHING, FETCHING, READY])))
    heard = status_events(win, mark)
    note("the lookup of %s: the status line's events announced %s"
         % (SHOP, " > ".join(repr(h) for h in heard) or "nothing"))
    if not in_order([SEARCHING, FETCHING, READY], heard):
        problem("the lookup of %s: the status line raised events announcing %s; expected a name- "
                "or text-changed event for each of %s"
                % (SHOP, " > ".join(repr(h) for h in heard) or "nothing",
                   " > ".join([SEARCHING, FETCHING, READY])))

    expect = shop["expect"]
    for designer, field in FACT_FIELDS.items():
        c = win.controls.get(designer)
        if c is not None and read_text(c) != expect[field]:
            problem("after the lookup %s (%s) reads %r, expected %r"
                    % (designer, describe(c), read_text(c), expect[field]))
    for designer, field in INDICATORS.items():
        c = win.controls.get(designer)
        if c is None:
            continue
        checked = has_state(c, p.STATE_CHECKED)
        if checked != expect[field]:
            problem("after the lookup %s (%s) is %s on the bus, expected %s"
                    % (designer, describe(c), "checked" if checked else "not checked",
                       "checked" if expect[field] else "not checked"))
        changed = [e for e in win.bus.since(mark) if e["source"] is c
                   and e["type"].startswith("object:state-changed:checked")]
        if expect[field] and not any(e["detail1"] == 1 for e in changed):
            problem("%s became checked without an object:state-changed:checked event" % designer)
    advice_box = win.controls.get("Text10")
    if advice_box is not None:
        advice = (read_text(advice_box) or "").strip()
        note("the advice box reads %r" % advice)
        if str(expect["score"]) not in advice or "暂无建议" in advice:
            problem("after the lookup the advice box reads %r, expected the advice with the "
                    "score %d" % (advice, expect["score"]))
        inserted = [e for e in win.bus.since(mark) if e["source"] is advice_box
                    and e["type"].startswith("object:text-changed:insert")]
        if not any(advice and (e["data"] or "").strip() == advice
                   or (e["text_now"] or "").strip() == advice for e in inserted):
            problem("the advice box raised no text-changed event carrying its new advice; its "
                    "insertions: %s" % [e["data"] for e in inserted])


def alert_for_missing_name(win, display_env):
    p = win.pyatspi
    focus_name_box(win, display_env, "before the name that does not exist")
    press(display_env, "ctrl+a", "BackSpace")
    type_text(display_env, MISSING)
    mark = len(win.bus.events)
    press(display_env, "Return")

    def alert():
        for c in children(win.app):
            if c is win.frame or not has_state(c, p.STATE_SHOWING):
                continue
            role, name = role_and_name(c)
            if role in ("alert", "dialog", "frame", "window", "filler") and name != "Offscreen":
                return c
        return None

    if not win.bus.pump(30, lambda: alert() is not None):
        raise Stop("the lookup of %s showed no message box on the bus" % MISSING)
    box = alert()
    win.bus.pump(0.3)
    note("the message box: %s" % describe(box))
    if role(box) != "alert":
        problem("the message box reads as %s, expected the alert role" % describe(box))
    created = [e for e in win.bus.since(mark) if e["source"] is box
               and e["type"] in ("window:create", "window:activate")]
    if not created:
        problem("the message box raised neither window:create nor window:activate")
    texts = []
    for o in subtree(box):
        texts += [o.name or "", o.description or "", read_text(o) or ""]
    note("the message box holds %s" % [t for t in texts if t])
    if not any(NOT_FOUND in t for t in texts):
        problem("the message box's text cannot be read: it holds %s, expected %r"
                % ([t for t in texts if t], NOT_FOUND))
    buttons = [o for o in subtree(box) if role(o) == "push button"]
    if len(buttons) != 1:
        raise Stop("the message box has %d buttons: %s"
                   % (len(buttons), [describe(b) for b in buttons]))
    ok = buttons[0]
    if normal(ok.name) != OK_BUTTON:
        problem("the message box's button reads %r on the bus, expected %r: Qt's own texts "
                "in Chinese" % (ok.name, OK_BUTTON))
    action = ok.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    note("its button %s offers %s" % (describe(ok), names))
    index = names.index("Press") if "Press" in names else 0
    action.doAction(index)
    if not win.bus.pump(10, lambda: alert() is None):
        raise Stop("pressing %s through the bus did not close the message box" % describe(ok))
    # No window manager gives the window the keyboard back: the test does.
    subprocess.run(["xdotool", "windowfocus", "--sync", win.x_window], env=display_env,
                   timeout=20)
    win.bus.pump(0.3)
    if not win.enabled("txtTB"):
        problem("after the message box the name box is not enabled")
    check_status(win, READY, "after the message box")


def keys_during_lookup(win, display_env):
    """While a lookup runs, the focus rests on the status line, which a screen
    reader reads out, and no key moves it or acts on anything."""
    have = win.bus.focus[-1][0] if win.bus.focus else None
    if have is None or have is not win.status_line():
        problem("during the lookup of %s the focus is on %s, expected the status line"
                % (HANGS, win.name_of(have) if have is not None else "nothing the bus reported"))
    count = len(win.bus.focus)
    press(display_env, "Tab", "Return", "space", "shift+Tab", "Escape", "Return")
    if win.bus.pump(1.0, lambda: len(win.bus.focus) > count):
        problem("during the lookup of %s a key moved the focus to %s"
                % (HANGS, win.name_of(win.bus.focus[-1][0])))
    for designer in ("txtTB", "cmdTBCX"):
        if win.enabled(designer):
            problem("a key pressed during the lookup of %s enabled %s" % (HANGS, designer))
    note("during the lookup of %s the focus rests on %s; Tab, Return, space, Escape do "
         "nothing" % (HANGS, describe(have)))


def hanging_lookup_and_exit(win, display_env, program):
    focus_name_box(win, display_env, "before the lookup that hangs")
    press(display_env, "ctrl+a", "BackSpace")
    type_text(display_env, HANGS)
    press(display_env, "Return")
    win.bus.pump(10, lambda: SEARCHING in win.status_reads() and not win.enabled("txtTB"))
    win.bus.pump(2 * DELAY_MS / 1000.0)
    check_status(win, SEARCHING, "while %s loads" % HANGS)
    keys_during_lookup(win, display_env)
    check_status(win, SEARCHING, "still while %s loads" % HANGS)

    exit_button = win.controls.get("Command1")
    if exit_button is None:
        raise Stop("no 退出 button to press")
    action = exit_button.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    action.doAction(names.index("Press") if "Press" in names else 0)
    try:
        code = program.wait(15)
    except subprocess.TimeoutExpired:
        raise Stop("pressing 退出 through the bus did not end the program")
    if code != 0:
        problem("the program ended with %d after 退出" % code)
    note("退出 pressed through the bus: the program ended with %d" % code)


# ---------------------------------------------------------------- main

def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--marketplace", required=True)
    parser.add_argument("--keep", action="store_true", help="keep the logs and folders")
    parser.add_argument("--shops", default=os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "marketplace", "shops.json"))
    args = parser.parse_args()
    with open(args.shops, encoding="utf-8") as f:
        shop = next(s for s in json.load(f)["shops"] if s["nick"] == SHOP)

    work = tempfile.mkdtemp(prefix="tst_accessibility-")
    procs = Processes(work)

    def interrupted(signum, frame):
        raise Stop("interrupted by signal %d" % signum)

    signal.signal(signal.SIGTERM, interrupted)
    signal.signal(signal.SIGALRM, interrupted)
    signal.alarm(150)  # well before the test runner's own limit
    try:
        run(args, shop, work, procs)
    except Stop as stop:
        problem(str(stop))
    except Exception:
        problem("the test itself broke:\n" + traceback.format_exc())
    finally:
        signal.alarm(0)
        procs.stop()
        left = procs.strays()
        if left:
            problem("processes left running: %s" % left)
        log = os.path.join(work, "lumora.log")
        if problems and os.path.exists(log):
            with open(log, errors="replace") as f:
                lines = f.read().splitlines()[-15:]
            note("the program's last lines:\n    " + "\n    ".join(lines))
        if args.keep:
            note("kept the logs in %s" % work)
        else:
            subprocess.run(["rm", "-rf", work], check=False)
    print("a11y: %d passed, %d failed" % (0 if problems else 1, 1 if problems else 0))
    if problems:
        print("a11y: what the bus reported against what was expected:")
        for p in problems:
            print("  - " + p)
    return 1 if problems else 0


def start_desktop(procs, work):
    """A private screen, session bus and accessibility bus, with accessibility
    turned on as a screen reader does; the test's own environment becomes the
    one a screen reader would have. Returns the display, the session bus
    address and pyatspi's Bus."""
    home = os.path.join(work, "home")
    runtime = os.path.join(work, "runtime")
    os.mkdir(home, 0o700)
    os.mkdir(runtime, 0o700)

    _, display = procs.start_for_line(
        # -noreset: an X server that resets when its last client leaves refuses
        # connections meanwhile.
        ["Xvfb", "-displayfd", "FD", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
         "-noreset"])
    display = ":" + display
    for name in ("QT_QPA_PLATFORM", "AT_SPI_BUS_ADDRESS", "QT_ACCESSIBILITY",
                 "QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "NO_AT_BRIDGE", "WAYLAND_DISPLAY"):
        os.environ.pop(name, None)
    os.environ.update({"DISPLAY": display, "HOME": home, "XDG_RUNTIME_DIR": runtime})
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
    return display, address, Bus(pyatspi, GLib)


def program_environment(display, address, port):
    """What the program runs with: the private screen and buses, the sample
    marketplace as its proxy, and a locale that is not Chinese."""
    env = {"PATH": "/usr/bin:/bin", "LANG": "C.UTF-8", "HOME": os.environ["HOME"],
           "XDG_RUNTIME_DIR": os.environ["XDG_RUNTIME_DIR"], "DISPLAY": display,
           "DBUS_SESSION_BUS_ADDRESS": address, "http_proxy": "http://127.0.0.1:" + port}
    if os.geteuid() == 0:  # the browser engine's sandbox cannot run as root
        env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
    return env


def program_window(bus, program, display_env):
    """The program's application and window on the bus, once shown, with the
    keyboard given to the window; the window's X id is window.x_window."""
    pyatspi = bus.pyatspi

    def find():
        desktop = pyatspi.Registry.getDesktop(0)
        for app in children(desktop):
            try:
                if app.get_process_id() == program.pid:
                    frames = [c for c in children(app) if c.name == "Lumora1.2"
                              and has_state(c, pyatspi.STATE_SHOWING)]
                    if frames:
                        return app, frames[0]
            except Exception:
                pass
        return None

    if not bus.pump(60, lambda: find() is not None):
        raise Stop("the program's window never appeared on the accessibility bus "
                   "(is the program running? %s)" % (program.poll() is None))
    app, frame = find()
    note("on the bus: application %r (pid %d), window %s"
         % (app.name, program.pid, describe(frame)))
    # No window manager runs on the private screen: the window gets the keyboard directly.
    wid = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid",
                          str(program.pid), "--name", "Lumora1\\.2"], env=display_env,
                         capture_output=True, text=True, timeout=20).stdout.split()
    if not wid:
        raise Stop("xdotool finds no window of the program")
    subprocess.run(["xdotool", "windowfocus", "--sync", wid[0]], env=display_env, timeout=20)
    bus.pump(1.0, lambda: bool(bus.focus))
    win = Window(bus, app, frame)
    win.x_window = wid[0]
    return win


def run(args, shop, work, procs):
    display, address, bus = start_desktop(procs, work)
    _, port_line = procs.start_for_line(
        [args.marketplace, "--delay-ms", str(DELAY_MS)])
    port = port_line.split()[-1]
    program = procs.start([args.program], env=program_environment(display, address, port),
                          log="lumora")
    display_env = dict(os.environ)
    win = program_window(bus, program, display_env)

    # 1. Start: roles, names, texts, the status line.
    check_controls(win)
    if win.status is None:
        problem("nothing in the window has the status-bar role; the status line (the label "
                "after 鉴定) reads as %s" % describe(win.status_line()))
    check_status(win, READY, "at start")
    check_focus_is_on(win, "txtTB", "at start")
    stray = win.focused_browser_objects()
    if stray:
        problem("at start the bus reports the hidden browser's %s as focused"
                % ", ".join(describe(o) for o in stray))
    # 2. Tab before a lookup.
    tab_round(win, display_env, "before a lookup")
    focus_name_box(win, display_env, "before the lookup")
    # 3. A whole lookup by keyboard.
    lookup_by_keyboard(win, display_env, shop)
    tab_round(win, display_env, "after the lookup")
    # 4. A name that does not exist.
    alert_for_missing_name(win, display_env)
    # 5. A lookup that hangs; then 退出 through the bus.
    hanging_lookup_and_exit(win, display_env, program)


if __name__ == "__main__":
    sys.exit(main())
