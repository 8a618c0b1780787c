#!/usr/bin/python3
"""Starts `vesk-board --window` under Xvfb and checks the board's window from the outside.

The LEDs, switches, output and reset button must be on the accessibility bus under their
names, bit 7 on the left. A small program sent as a frame lights PA from its first
instructions and then copies the switches (P7) to PB, so turning switches on through the bus
must light the same bits of PB. A screenshot of the window is kept.

Usage: board_window_test.py VESK_BOARD_BINARY ARTIFACT_DIR
Exit 77 (skipped) when Xvfb, the session bus or pyatspi is missing.
"""

import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from window_test import (Failure, check, find_application, keep_screenshot,  # noqa: E402
                         require_desktop, start_desktop, wait_for)

TITLE = "仮想ボード"
LIT, DARK = "点灯", "消灯"
PA_VALUE = 0x81
SWITCHES_ON = (7, 2, 0)

# At FFDF10, where the loader starts it:
#   mov.b #0xff,r0l; mov.b r0l,@PBDDR; mov.b r0l,@PADDR; mov.b #0x81,r0l; mov.b r0l,@PADR
#   loop: mov.b @P7DR,r0l; mov.b r0l,@PBDR; bra loop
PROGRAM = bytes.fromhex("f8ff 38d4 38d1 f881 38d3 28ce 38d6 40fa")


def frame(image):
    # 21 zero bytes, the start mark, the length big-endian, the image, 7 zero bytes.
    return bytes(21) + b"\xff" + len(image).to_bytes(2, "big") + image + bytes(7)


def window_geometry(display, title):
    """The viewable top-level window titled `title`: (x, y, width, height), or None."""
    env = dict(os.environ, DISPLAY=display)
    run = subprocess.run(["xwininfo", "-name", title], env=env, capture_output=True, text=True)
    if run.returncode != 0:
        return None
    fields = {}
    for line in run.stdout.splitlines():
        key, _, value = line.strip().partition(":")
        fields[key] = value.strip()
    if fields.get("Map State") != "IsViewable":
        return None
    return tuple(int(fields[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y",
                                           "Width", "Height"))


def collect(pyatspi, node, found, depth=0):
    """Named nodes: name -> (node, role, description, checked, extents)."""
    if node is None or depth > 12:
        return
    try:
        name, role = node.name, node.getRoleName()
        description = node.description
        checked = node.getState().contains(pyatspi.STATE_CHECKED)
    except Exception:
        return
    if name and name not in found:
        try:
            e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            found[name] = (node, role, description, checked, (e.x, e.y, e.width, e.height))
        except Exception:
            pass
    for i in range(node.childCount):
        collect(pyatspi, node.getChildAtIndex(i), found, depth + 1)


def controls(pyatspi, pid):
    from gi.repository import GLib
    while GLib.MainContext.default().iteration(False):
        pass
    app = find_application(pyatspi, pid)
    if app is None:
        return None
    found = {}
    collect(pyatspi, app, found)
    wanted = ["%s%d" % (row, bit) for row in ("PA", "PB", "P7") for bit in range(8)]
    return found if all(n in found for n in wanted + ["リセット", "出力"]) else None


def pattern(found, port):
    """A port's LEDs as the bus describes them, bit 7 first: "10000001"."""
    states = {LIT: "1", DARK: "0"}
    return "".join(states.get(found["%s%d" % (port, bit)][2], "?") for bit in range(7, -1, -1))


def check_layout(found):
    for row in ("PA", "PB", "P7"):
        xs = [found["%s%d" % (row, bit)][4][0] for bit in range(7, -1, -1)]
        check(xs == sorted(xs) and len(set(xs)) == 8, "%s is not laid out bit 7 first: %s" % (row, xs))
    ys = [found[n][4][1] for n in ("PA0", "PB0", "P70")]
    check(ys == sorted(ys) and len(set(ys)) == 3, "the rows are not PA, PB, P7 from the top")
    check(found["リセット"][1] == "push button", "リセット is a %s" % found["リセット"][1])
    for bit in range(8):
        check(found["P7%d" % bit][1] == "check box", "P7%d is not a check box" % bit)


def toggle(pyatspi, node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    for wanted in ("Toggle", "toggle", "Press", "press", "click"):
        if wanted in names:
            action.doAction(names.index(wanted))
            return
    raise Failure("a switch offers no toggle action: %s" % names)


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    board, artifacts = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    pyatspi = require_desktop()
    if not os.access(board, os.X_OK):
        raise Failure("no vesk-board program at " + board)

    procs = []
    work = tempfile.mkdtemp(prefix="vesk-board-window-")
    os.environ["HOME"] = os.environ["XDG_RUNTIME_DIR"] = work
    try:
        fbdir = os.path.join(work, "fb")
        os.makedirs(fbdir)
        display, env = start_desktop(fbdir, procs, work)
        app = subprocess.Popen([board, "--window"], env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL)
        procs.insert(0, app)
        # Its first line names the terminal the host writes to.
        ready, _, _ = select.select([app.stdout], [], [], 10)
        check(ready, "vesk-board named no device")
        device = app.stdout.readline().decode().strip()
        check(device.startswith("/dev/"), "vesk-board named %r as its device" % device)
        title = "%s - %s" % (TITLE, device)

        def opened():
            if app.poll() is not None:
                raise Failure("vesk-board ended with %d before its window opened" % app.returncode)
            return window_geometry(display, title)

        window = wait_for("the window titled " + title, opened)
        print("window at %d,%d size %dx%d" % window)
        found = wait_for("the controls on the accessibility bus", lambda: controls(pyatspi, app.pid))
        check_layout(found)
        check(pattern(found, "PA") == "00000000" and pattern(found, "PB") == "00000000",
              "LEDs lit before any program ran")

        host = os.open(device, os.O_RDWR | os.O_NOCTTY)
        try:
            os.write(host, frame(PROGRAM))
            def showing(port, expected):
                # A fresh look at the bus each time: the LEDs change as the program runs.
                def probe():
                    now = controls(pyatspi, app.pid)
                    return now if now and pattern(now, port) == expected else None
                return wait_for("%s to show %s" % (port, expected), probe)

            showing("PA", format(PA_VALUE, "08b"))
            for bit in SWITCHES_ON:
                toggle(pyatspi, found["P7%d" % bit][0])
            found = showing("PB", format(sum(1 << b for b in SWITCHES_ON), "08b"))
            for bit in range(8):
                check(found["P7%d" % bit][3] == (bit in SWITCHES_ON),
                      "switch P7%d reads %s" % (bit, found["P7%d" % bit][3]))
        finally:
            os.close(host)
        print("PA %s, PB %s" % (pattern(found, "PA"), pattern(found, "PB")))

        keep_screenshot(fbdir, window, artifacts, "board-window-xvfb.png")

        app.send_signal(signal.SIGTERM)
        try:
            app.wait(timeout=10)
        except subprocess.TimeoutExpired:
            raise Failure("vesk-board did not end on SIGTERM")
        print("board_window_test: passed")
        return 0
    except Failure as failure:
        print("board_window_test: FAILED: %s" % failure)
        return 1
    finally:
        for proc in procs:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
