#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 the Lumora developers
# SPDX-License-Identifier: MIT
"""A Chinese shopkeeper name typed through a real input method, as a Chinese user types it.

    tst_input_method.py --program PATH --marketplace PATH [--shops shops.json] [--keep]

Starts a private Xvfb, a private D-Bus session bus with the accessibility bus, and
IBus (ibus-daemon with the ibus-libpinyin engine) on that screen and session. The
test itself is IBus's candidate panel, so it sees what a user sees in the candidate
window. Then it starts the sample marketplace and the real program with
QT_IM_MODULE=ibus and types on the real window with xdotool:

  1. "jiang", then Enter while IBus is still composing: the input method commits
     "jiang" into the name box, and no lookup starts;
  2. after emptying the name box, the pinyin of 江南布艺, choosing the candidates
     in the candidate window (the digit of a candidate, the next page where needed)
     until the name box holds 江南布艺;
  3. Enter: the lookup reaches the sample marketplace with 江南布艺 and ends with
     the shop's facts, read from the window over the accessibility bus.

If IBus or its pinyin engine cannot be started on this machine, the test says why
and is skipped (desktop.main says how it ends).
"""

import json
import os
import shutil
import sys
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop  # noqa: E402  (the private desktop and the bus)
from desktop import FACT_FIELDS, INDICATORS, READY, SEARCHING, Skip, Stop, read_text  # noqa: E402

SHOP = "江南布艺"
PINYIN = "jiangnanbuyi"
HALF = "jiang"  # typed and then committed with Enter in the middle of composing
ENGINE = "libpinyin"
IBUS_PARTS = ["/usr/libexec/ibus-memconf", "/usr/libexec/ibus-engine-libpinyin",
              "/usr/share/ibus/component/libpinyin.xml"]

report = desktop.Report("ime", "what was seen against what was expected")
note, problem = report.note, report.problem


# ---------------------------------------------------------------- IBus and its candidate panel

def start_ibus(procs, pump):
    """Starts ibus-daemon on the private screen and session, with its settings in
    memory and the pinyin engine as the engine of every input context, and
    returns the IBus module and a connection to the daemon."""
    if shutil.which("ibus-daemon") is None:
        raise Skip("IBus is not installed (Debian package ibus)")
    for part in IBUS_PARTS:
        if not os.path.exists(part):
            raise Skip("%s is missing (Debian packages ibus and ibus-libpinyin)" % part)
    try:
        import gi
        gi.require_version("IBus", "1.0")
        from gi.repository import IBus
    except (ImportError, ValueError) as error:
        raise Skip("IBus's Python bindings cannot be loaded (gir1.2-ibus-1.0): %s" % error)

    env = dict(os.environ, GSETTINGS_BACKEND="memory")
    daemon = procs.start(["ibus-daemon", "--panel=disable", "--emoji-extension=disable",
                          "--config=/usr/libexec/ibus-memconf", "--cache=none", "--verbose"],
                         env=env, log="ibus-daemon")
    IBus.init()
    bus = None

    def connected():
        nonlocal bus
        if daemon.poll() is not None:
            raise Skip("ibus-daemon ended with %d at start" % daemon.returncode)
        if bus is None and IBus.get_address():
            bus = IBus.Bus()
            if not bus.is_connected():  # the address is written before the daemon listens
                bus = None
        return bus is not None

    if not pump(60, connected):
        raise Skip("ibus-daemon did not come up within 60 seconds")
    if ENGINE not in [e.get_name() for e in bus.list_engines()]:
        raise Skip("IBus lists no %s engine (Debian package ibus-libpinyin)" % ENGINE)
    bus.set_global_engine(ENGINE)

    def engine_set():
        engine = bus.get_global_engine()
        return engine is not None and engine.get_name() == ENGINE

    if not pump(60, engine_set):
        raise Skip("IBus could not make %s its engine within 60 seconds" % ENGINE)
    note("IBus is up at %s with the %s engine" % (IBus.get_address(), ENGINE))
    return IBus, bus


def make_panel(IBus, bus):
    """The candidate panel: what IBus shows the user while composing."""

    class Panel(IBus.PanelService):
        def __init__(self):
            super().__init__(connection=bus.get_connection(), object_path=IBus.PATH_PANEL)
            self.focused = None  # the input context that has the keyboard
            # The focused input context once it has told IBus where its text cursor
            # is: a text field's, not the one IBus keeps for when none has the keyboard.
            self.located = None
            self.focus_log = []
            self.pinyin = ""  # the auxiliary text: the pinyin being composed
            self.pinyin_shown = False
            self.candidates = []
            self.page_size = 5
            self.cursor = 0
            self.table_shown = False
            self.updates = 0

        def do_focus_in(self, path):
            self.focused = path
            self.located = None
            self.focus_log.append("in " + path.rsplit("/", 1)[-1])

        def do_focus_out(self, path):
            if self.focused == path:
                self.focused = self.located = None
            self.focus_log.append("out " + path.rsplit("/", 1)[-1])

        def do_set_cursor_location(self, x, y, width, height):
            self.located = self.focused

        def do_update_auxiliary_text(self, text, visible):
            self.pinyin = text.get_text()
            self.pinyin_shown = visible

        def do_hide_auxiliary_text(self):
            self.pinyin_shown = False

        def do_update_lookup_table(self, table, visible):
            self.candidates = [table.get_candidate(i).get_text()
                               for i in range(table.get_number_of_candidates())]
            self.page_size = max(1, table.get_page_size())
            self.cursor = table.get_cursor_pos()
            self.table_shown = visible
            self.updates += 1

        def do_show_lookup_table(self):
            self.table_shown = True

        def do_hide_lookup_table(self):
            self.table_shown = False
            self.updates += 1

        def page(self):
            """The candidates the candidate window shows now, numbered from 1."""
            if not self.table_shown:
                return []
            start = self.cursor - self.cursor % self.page_size
            return self.candidates[start:start + self.page_size]

        def composing(self):
            """The pinyin being composed, without IBus's blanks and cursor mark."""
            if not self.pinyin_shown:
                return ""
            return self.pinyin.replace(" ", "").replace("|", "")

    panel = Panel()
    if bus.request_name(IBus.SERVICE_PANEL, 0) != 1:
        raise Skip("the test cannot be IBus's candidate panel")
    return panel


# ---------------------------------------------------------------- the scenario

def queries(port):
    """The names the sample marketplace has been asked for."""
    opener = urllib.request.build_opener(
        urllib.request.ProxyHandler({"http": "http://127.0.0.1:" + port}))
    with opener.open("http://control.lumora.test/queries", timeout=20) as answer:
        return json.loads(answer.read().decode("utf-8"))


def name_box(win):
    return read_text(win.controls["txtTB"])


def wait_for_name_box(win, text, when, seconds=30):
    if not win.bus.pump(seconds, lambda: name_box(win) == text):
        raise Stop("%s: the name box reads %r, expected %r" % (when, name_box(win), text))


def compose(win, panel, pinyin, when):
    """Types pinyin and waits until IBus shows it as composed, with candidates."""
    desktop.type_text(pinyin)
    if not win.bus.pump(30, lambda: panel.composing() == pinyin and panel.page()):
        raise Stop("%s: after typing %r IBus composes %r with the candidates %s"
                   % (when, pinyin, panel.composing(), panel.page()))
    note("%s: IBus composes %r and offers %s" % (when, panel.pinyin, panel.page()))
    # Nothing is in the name box until the input method commits it.
    if name_box(win) != "":
        problem("%s: while %r is composed the name box already reads %r"
                % (when, pinyin, name_box(win)))


def keyboard_in_name_box(win, panel, when):
    """Waits until the name box has the keyboard, and IBus has the name box's
    input context: only then is every key typed composed by the input method."""
    if not win.bus.pump(60, lambda: panel.located is not None and win.bus.focus
                        and win.bus.focus[-1][0] is win.controls["txtTB"]):
        raise Stop("%s: the name box never had the keyboard with IBus: the focus is on %s, "
                   "IBus saw %s" % (when, win.bus.focus[-1][2] if win.bus.focus else "nothing",
                                    " > ".join(panel.focus_log) or "no input context"))


def move_focus(win, key, designer, when):
    count = len(win.bus.focus)
    desktop.press(key)
    if not win.bus.pump(20, lambda: len(win.bus.focus) > count
                        and win.bus.focus[-1][0] is win.controls[designer]):
        raise Stop("%s: %s did not bring the keyboard to %s" % (when, key, designer))


def enter_while_composing(win, panel, port):
    when = "Enter while composing"
    mark = len(win.bus.events)
    compose(win, panel, HALF, when)
    desktop.press("Return")
    wait_for_name_box(win, HALF, when)
    if not win.bus.pump(20, lambda: not panel.table_shown):
        problem("%s: the candidate window is still shown after the text was committed" % when)
    # Had Enter gone on to the window, it would have been handled before the
    # Tab that follows it: Tab to 退出 and back is the sign that it is over.
    move_focus(win, "Tab", "Command1", when)
    move_focus(win, "shift+Tab", "txtTB", when)
    keyboard_in_name_box(win, panel, when)
    asked = queries(port)
    heard = desktop.status_events(win, mark)
    status = read_text(win.status_line())
    note("%s: the name box reads %r, the status line reads %r and announced %s, the "
         "marketplace was asked for %s" % (when, name_box(win), status, heard or "nothing", asked))
    if asked or SEARCHING in heard or status != READY or not win.enabled("txtTB"):
        problem("%s: a lookup started (the marketplace was asked for %s, the status line reads "
                "%r and announced %s, the name box is %s); expected Enter to commit %r only"
                % (when, asked, status, heard or "nothing",
                   "enabled" if win.enabled("txtTB") else "disabled", HALF))


def choose_candidates(win, panel, port):
    """Types the pinyin of the shop's name and chooses its characters in the
    candidate window, as a user would, until the name box holds the name."""
    when = "typing %s as %s" % (SHOP, PINYIN)
    desktop.press("ctrl+a", "BackSpace")
    wait_for_name_box(win, "", "emptying the name box")
    compose(win, panel, PINYIN, when)
    chosen = ""  # the part of the name chosen so far
    pressed = []
    for _ in range(40):
        page = panel.page()
        fits = []
        for number, candidate in enumerate(page, 1):
            # A candidate either goes on from what is chosen, or is a whole
            # sentence that begins with it.
            if SHOP.startswith(chosen + candidate):
                fits.append((chosen + candidate, number))
            elif SHOP.startswith(candidate) and len(candidate) > len(chosen):
                fits.append((candidate, number))
        updates = panel.updates
        if fits:
            chosen, number = max(fits, key=lambda fit: len(fit[0]))
            pressed.append("%d (%s)" % (number, page[number - 1]))
            desktop.press(str(number))
            if chosen == SHOP:
                break
            if not win.bus.pump(20, lambda: panel.updates > updates and panel.page()):
                raise Stop("%s: after choosing %s the candidate window shows %s"
                           % (when, pressed[-1], panel.page()))
        else:
            pressed.append("Page_Down")
            desktop.press("Page_Down")
            if not win.bus.pump(20, lambda: panel.updates > updates and panel.page() != page):
                raise Stop("%s: the candidate window offers no %s on any page; it has %s and "
                           "ends with %s" % (when, SHOP[len(chosen):], panel.candidates, page))
    note("%s: chose %s" % (when, " ".join(pressed)))
    wait_for_name_box(win, SHOP, when)
    if not win.bus.pump(20, lambda: not panel.table_shown):
        problem("%s: the candidate window is still shown after the name was committed" % when)
    if queries(port):
        problem("%s: choosing the candidates started a lookup: the marketplace was asked "
                "for %s" % (when, queries(port)))


def lookup(win, port, shop):
    when = "Enter after typing %s" % SHOP
    mark = len(win.bus.events)

    # The lookup asks the marketplace, fills the facts, writes the advice and
    # unlocks the name box. The advice box is read from the program itself,
    # while the name box's state may be one the test has not yet heard change:
    # the advice is what says the lookup is over.
    def ended():
        advice = win.advice()
        return bool(advice) and "暂无建议" not in advice and win.enabled("txtTB") \
            and bool(queries(port))

    desktop.press("Return")
    if not win.bus.pump(90, ended):
        raise Stop("%s: the lookup %s: the name box reads %r, the status line announced %s, "
                   "the marketplace was asked for %s"
                   % (when, "never ended" if queries(port) else "never reached the marketplace",
                      name_box(win), desktop.status_events(win, mark) or "nothing", queries(port)))
    asked = queries(port)
    note("%s: the marketplace was asked for %s" % (when, asked))
    if asked != [SHOP]:
        problem("%s: the marketplace was asked for %s, expected [%r]" % (when, asked, SHOP))
    expect = shop["expect"]
    # The indicators' states are the ones the test has heard of: it waits
    # until it has heard the last changes.
    win.bus.pump(20, lambda: all(win.checked(d) == expect[f] for d, f in INDICATORS.items()))
    note("%s: the advice box reads %r" % (when, win.advice()))
    for difference in win.facts_problems(expect):
        problem("%s: %s" % (when, difference))
    if name_box(win) != SHOP:
        problem("%s: after the lookup the name box reads %r" % (when, name_box(win)))


def run(args, shop, procs, bus):
    IBus, ibus = start_ibus(procs, bus.pump)
    panel = make_panel(IBus, ibus)
    # What Qt's IBus client does with each key goes to the program's log,
    # whose last lines a failure shows.
    _, port, win = desktop.start_program(
        procs, bus, args, report, QT_IM_MODULE="ibus", QT_LOGGING_RULES="qt.qpa.input.methods=true",
        QT_MESSAGE_PATTERN="%{time process} %{category} %{message}")
    for designer in ("txtTB", "Command1", "Text10", *FACT_FIELDS, *INDICATORS):
        if designer not in win.controls:
            raise Stop("the window has no %s on the accessibility bus" % designer)
    keyboard_in_name_box(win, panel, "at start")
    note("the name box has the keyboard; IBus input contexts: %s" % " > ".join(panel.focus_log))

    enter_while_composing(win, panel, port)
    choose_candidates(win, panel, port)
    lookup(win, port, shop)


if __name__ == "__main__":
    sys.exit(desktop.main(__doc__, report, run, SHOP, seconds=270,
                          logs={log: "the last lines of " + log
                                for log in ("lumora.log", "ibus-daemon.log")},
                          skip_reason="the input method cannot be started here"))
