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

A check that fails is reported with what the bus said and what was expected; the
test goes on where it can (desktop.main says how it ends).
"""

import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop  # noqa: E402  (the private desktop and the bus)
from desktop import (READY, SEARCHING, CONTROLS, INDICATORS,  # noqa: E402
                     Stop, children, subtree, role, role_and_name, describe, has_state,
                     read_text, reads, normal, press, type_text, status_events)

FETCHING = "正在获取店铺信用信息......"
NOT_FOUND = "您所查询的店铺不存在，请注意查询请输入旺旺名，不是对方起的名！"
SHOP = "a+b_store"  # found, with a penalty: two indicators checked, three not
MISSING = "不存在的掌柜"
HANGS = "slow_mirror"  # its front page never finishes loading
DELAY_MS = 400  # each page of the sample marketplace comes this late
OK_BUTTON = "确定"  # the message boxes' button, in Qt's own Chinese

FOCUS_ORDER = ["Text12", "Text10", "Text9", "Text8", "Text7", "Check6", "Check5", "Check4",
               "Check3", "Check2", "cmdTBCX", "cmdTBURL", "txtTB", "Command1"]

report = desktop.Report("a11y", "what the bus reported against what was expected")
note, problem = report.note, report.problem


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


def tab_round(win, when):
    """Tab, then Shift+Tab, once round the window each; the focus must go
    through the enabled controls in the focus order, never into the browser."""
    enabled = [d for d in FOCUS_ORDER if win.enabled(d)]
    note("%s: the enabled controls in focus order: %s" % (when, " ".join(enabled)))
    for key, order in (("Tab", enabled), ("shift+Tab", list(reversed(enabled)))):
        first = win.name_of(win.focus()) if win.focus() is not None else None
        if first not in order:
            field = next(d for d in order if d.startswith("Text"))  # clicking does nothing else
            note("%s: before %s the focus is on %s; the test clicks %s to go on"
                 % (when, key, first or "nothing the bus reported", field))
            click(win, field, when)
            first = win.name_of(win.focus())
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
            press(key)
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


def focus_name_box(win, when):
    """Brings the focus to the name box with Shift+Tab, as a keyboard user would;
    if the keys are caught elsewhere, clicks it so that the test can go on."""
    silent = 0
    for _ in range(len(FOCUS_ORDER) + 2):
        if win.focus() is win.controls.get("txtTB"):
            return
        count = len(win.bus.focus)
        press("shift+Tab")
        silent = 0 if win.bus.pump(1.0, lambda: len(win.bus.focus) > count) else silent + 1
        if silent == 3:
            break
    have = win.focus()
    problem("%s: Shift+Tab cannot bring the focus back to the name box; it stays on %s "
            "(the test clicks the name box to go on)" % (when, win.name_of(have) if have else "?"))
    click(win, "txtTB", when)


def click(win, designer, when):
    """A mouse click into a text field, to bring the focus back where the keys lost it."""
    control = win.controls[designer]
    box, frame = win.extents(control), win.extents(win.frame)
    if box is None or frame is None:
        raise Stop("%s: %s has no place on the screen to click" % (when, designer))
    subprocess.run(["xdotool", "mousemove", "--window", win.x_window,
                    str(box.x - frame.x + box.width // 2), str(box.y - frame.y + box.height // 2),
                    "click", "1"], timeout=20)
    if not win.bus.pump(3, lambda: win.bus.focus and win.bus.focus[-1][0] is control):
        raise Stop("%s: even a click does not bring the focus to %s" % (when, designer))


def in_order(wanted, seen, contains=False):
    """Whether seen holds each of wanted, in this order (each within an item when contains)."""
    it = iter(seen)
    return all(any((w in s) if contains else (w == s) for s in it) for w in wanted)


def lookup_by_keyboard(win, shop):
    mark = len(win.bus.events)
    type_text(SHOP)
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

    press("Return")
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
    for difference in win.facts_problems(expect):
        problem("after the lookup " + difference)
    for designer, field in INDICATORS.items():
        c = win.controls.get(designer)
        changed = [e for e in win.bus.since(mark) if c is not None and e["source"] is c
                   and e["type"].startswith("object:state-changed:checked")]
        if c is not None and expect[field] and not any(e["detail1"] == 1 for e in changed):
            problem("%s became checked without an object:state-changed:checked event" % designer)
    advice_box = win.controls.get("Text10")
    if advice_box is not None:
        advice = win.advice()
        note("the advice box reads %r" % advice)
        inserted = [e for e in win.bus.since(mark) if e["source"] is advice_box
                    and e["type"].startswith("object:text-changed:insert")]
        if not any(advice and (e["data"] or "").strip() == advice
                   or (e["text_now"] or "").strip() == advice for e in inserted):
            problem("the advice box raised no text-changed event carrying its new advice; its "
                    "insertions: %s" % [e["data"] for e in inserted])


def alert_for_missing_name(win):
    p = win.pyatspi
    focus_name_box(win, "before the name that does not exist")
    press("ctrl+a", "BackSpace")
    type_text(MISSING)
    mark = len(win.bus.events)
    press("Return")

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
    note("its button %s offers %s" % (describe(ok), win.press_button(ok)))
    if not win.bus.pump(10, lambda: alert() is None):
        raise Stop("pressing %s through the bus did not close the message box" % describe(ok))
    # No window manager gives the window the keyboard back: the test does.
    subprocess.run(["xdotool", "windowfocus", "--sync", win.x_window], timeout=20)
    win.bus.pump(0.3)
    if not win.enabled("txtTB"):
        problem("after the message box the name box is not enabled")
    check_status(win, READY, "after the message box")


def keys_during_lookup(win):
    """While a lookup runs, the focus rests on the status line, which a screen
    reader reads out, and no key moves it or acts on anything."""
    have = win.focus()
    if have is None or have is not win.status_line():
        problem("during the lookup of %s the focus is on %s, expected the status line"
                % (HANGS, win.name_of(have) if have is not None else "nothing the bus reported"))
    count = len(win.bus.focus)
    press("Tab", "Return", "space", "shift+Tab", "Escape", "Return")
    if win.bus.pump(1.0, lambda: len(win.bus.focus) > count):
        problem("during the lookup of %s a key moved the focus to %s"
                % (HANGS, win.name_of(win.bus.focus[-1][0])))
    for designer in ("txtTB", "cmdTBCX"):
        if win.enabled(designer):
            problem("a key pressed during the lookup of %s enabled %s" % (HANGS, designer))
    note("during the lookup of %s the focus rests on %s; Tab, Return, space, Escape do "
         "nothing" % (HANGS, describe(have)))


def hanging_lookup_and_exit(win, program):
    focus_name_box(win, "before the lookup that hangs")
    press("ctrl+a", "BackSpace")
    type_text(HANGS)
    press("Return")
    win.bus.pump(10, lambda: SEARCHING in win.status_reads() and not win.enabled("txtTB"))
    win.bus.pump(2 * DELAY_MS / 1000.0)
    check_status(win, SEARCHING, "while %s loads" % HANGS)
    keys_during_lookup(win)
    check_status(win, SEARCHING, "still while %s loads" % HANGS)

    if "Command1" not in win.controls:
        raise Stop("no 退出 button to press")
    win.press_button(win.controls["Command1"])
    try:
        code = program.wait(15)
    except subprocess.TimeoutExpired:
        raise Stop("pressing 退出 through the bus did not end the program")
    if code != 0:
        problem("the program ended with %d after 退出" % code)
    note("退出 pressed through the bus: the program ended with %d" % code)


def run(args, shop, procs, bus):
    program, _, win = desktop.start_program(procs, bus, args, report, delay_ms=DELAY_MS)

    # 1. Start: roles, names, texts, the status line.
    check_controls(win)
    if win.status is None:
        problem("nothing in the window has the status-bar role; the status line (the label "
                "after 鉴定) reads as %s" % describe(win.status_line()))
    check_status(win, READY, "at start")
    if win.focus() is not win.controls.get("txtTB"):
        problem("at start the focus is on %s, expected txtTB" % win.name_of(win.focus()))
    stray = win.focused_browser_objects()
    if stray:
        problem("at start the bus reports the hidden browser's %s as focused"
                % ", ".join(describe(o) for o in stray))
    # 2. Tab before a lookup.
    tab_round(win, "before a lookup")
    focus_name_box(win, "before the lookup")
    # 3. A whole lookup by keyboard.
    lookup_by_keyboard(win, shop)
    tab_round(win, "after the lookup")
    # 4. A name that does not exist.
    alert_for_missing_name(win)
    # 5. A lookup that hangs; then 退出 through the bus.
    hanging_lookup_and_exit(win, program)


if __name__ == "__main__":
    sys.exit(desktop.main(__doc__, report, run, SHOP, seconds=150,
                          logs={"lumora.log": "the program's last lines"}))
