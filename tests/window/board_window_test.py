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
import signal
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from window_test import (Failure, check, keep_screenshot, named_nodes,  # noqa: E402
                         run_on_desktop, start_desktop, wait_for, window_geometry)

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


def controls(pyatspi, pid):
    found = named_nodes(pyatspi, pid)
    if found is None:
        return None
    wanted = ["%s%d" % (row, bit) for row in ("PA", "PB", "P7") for bit in range(8)]
    return found if all(n in found for n in wanted + ["リセット", "出力"]) else None


def pattern(found, port):
    """A port's LEDs as the bus describes them, bit 7 first: "10000001"."""
    states = {LIT: "1", DARK: "0"}
    return "".join(states.get(found["%s%d" % (port, bit)].description, "?") for bit in range(7, -1, -1))


def check_layout(found):
    for row in ("PA", "PB", "P7"):
        xs = [found["%s%d" % (row, bit)].extents[0] for bit in range(7, -1, -1)]
        check(xs == sorted(xs) and len(set(xs)) == 8, "%s is not laid out bit 7 first: %s" % (row, xs))
    ys = [found[n].extents[1] for n in ("PA0", "PB0", "P70")]
    check(ys == sorted(ys) and len(set(ys)) == 3, "the rows are not PA, PB, P7 from the top")
    check(found["リセット"].role == "push button", "リセット is a %s" % found["リセット"].role)
    for bit in range(8):
        check(found["P7%d" % bit].role == "check box", "P7%d is not a check box" % bit)


def toggle(pyatspi, node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    for wanted in ("Toggle", "toggle", "Press", "press", "click"):
        if wanted in names:
            action.doAction(names.index(wanted))
            return
    raise Failure("a switch offers no toggle action: %s" % names)


def check_board_window(board, artifacts, pyatspi, work, procs):
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
            toggle(pyatspi, found["P7%d" % bit].node)
        found = showing("PB", format(sum(1 << b for b in SWITCHES_ON), "08b"))
        for bit in range(8):
            check(found["P7%d" % bit].checked == (bit in SWITCHES_ON),
                  "switch P7%d reads %s" % (bit, found["P7%d" % bit].checked))
    finally:
        os.close(host)
    print("PA %s, PB %s" % (pattern(found, "PA"), pattern(found, "PB")))

    keep_screenshot(fbdir, window, artifacts, "board-window-xvfb.png")

    app.send_signal(signal.SIGTERM)
    try:
        app.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise Failure("vesk-board did not end on SIGTERM")


def main():
    return run_on_desktop("board_window_test", __doc__, "vesk-board", "vesk-board-window-",
                          check_board_window)


if __name__ == "__main__":
    sys.exit(main())
