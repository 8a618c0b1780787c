#!/usr/bin/python3
"""Starts the real Vesk window under Xvfb and checks it from the outside.

The window must open at its fixed size with its controls in their columns (found through
the accessibility bus, as a screen reader finds them), a screenshot of it is kept, and on
SIGTERM it must close and leave the five-line settings file behind.

Usage: window_test.py VESK_BINARY ARTIFACT_DIR
Exit 77 (skipped) when Xvfb, the session bus or pyatspi is missing.
"""

import collections
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

SKIP = 77
WIDTH, HEIGHT = 640, 480
# The start folder is laid out as vesk-workspace lays one out, so that the screenshot shows
# the first screen of a new user: compile mode, C:\samples, blink.c. Vesk writes back what it
# read.
SETTINGS = b"C:\\samples\\\r\nFFDF50\r\nC:\\tools\\\r\nFFDF50\r\n200\r\n"


class Failure(Exception):
    pass


def skip(why):
    print("window_test: skipped: " + why)
    sys.exit(SKIP)


def check(condition, what):
    if not condition:
        raise Failure(what)


def wait_for(what, probe, timeout=10.0, step=0.1):
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure("gave up waiting for " + what)
        time.sleep(step)


# --- the X server ---------------------------------------------------------------------------


def start_xvfb(fbdir):
    # -displayfd picks a free display number and tells it once the server accepts clients.
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "800x600x24", "-fbdir", fbdir,
         "-nolisten", "tcp", "-noreset", "-nocursor"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        server.kill()
        server.wait()
        raise Failure("Xvfb did not start")
    return server, ":" + number


def start_session_bus():
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    address = bus.stdout.readline().strip()
    if not address:
        bus.kill()
        bus.wait()
        raise Failure("the session bus did not start")
    return bus, address


def require_desktop():
    """The pyatspi module, after making sure Xvfb and a session bus can be started (else skip)."""
    for tool in ("Xvfb", "xwininfo", "dbus-daemon", "dbus-send"):
        if shutil.which(tool) is None:
            skip(tool + " is not installed")
    try:
        import pyatspi
    except ImportError:
        skip("python3-pyatspi is not installed")
    return pyatspi


def start_desktop(fbdir, procs, work):
    """Starts Xvfb (its screen in fbdir) and a session bus with the accessibility bus running,
    adds them to procs, and returns the display and the environment of a Qt program that joins
    them with its settings under work."""
    xvfb, display = start_xvfb(fbdir)
    procs.append(xvfb)
    bus, address = start_session_bus()
    procs.append(bus)
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
    os.environ["DISPLAY"] = display
    # Qt joins the accessibility bus at start-up only when it is already running.
    subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                    "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                   stdout=subprocess.DEVNULL, check=True)
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               XDG_CONFIG_HOME=os.path.join(work, "config"), LANG="C.UTF-8")
    return display, env


def window_geometry(display, title="Vesk"):
    """The viewable top-level window titled exactly `title`: (x, y, width, height), or None."""
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


# --- screenshot: Xvfb keeps its screen as an XWD file in -fbdir --------------------------


def read_screen(fbdir):
    with open(os.path.join(fbdir, "Xvfb_screen0"), "rb") as f:
        data = f.read()
    header = struct.unpack(">25I", data[:100])
    header_size, width, height = header[0], header[4], header[5]
    byte_order, bits_per_pixel, bytes_per_line = header[7], header[11], header[12]
    ncolors = header[19]
    check(bits_per_pixel == 32, "Xvfb screen is %d bits per pixel, expected 32" % bits_per_pixel)
    pixels = data[header_size + ncolors * 12:]
    return width, height, bytes_per_line, byte_order, pixels


def crop_rgb(screen, x, y, w, h):
    width, height, stride, byte_order, pixels = screen
    rows = []
    for row in range(y, min(y + h, height)):
        line = pixels[row * stride + x * 4:row * stride + min(x + w, width) * 4]
        out = bytearray()
        for i in range(0, len(line), 4):
            px = line[i:i + 4]
            # LSBFirst (0) stores a 0x00RRGGBB pixel as B, G, R, 0.
            out += bytes((px[2], px[1], px[0])) if byte_order == 0 else px[1:4]
        rows.append(bytes(out))
    return rows


def write_png(path, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    width, height = len(rows[0]) // 3, len(rows)
    raw = b"".join(b"\x00" + r for r in rows)
    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(png)
    os.replace(tmp, path)


# --- controls through the accessibility bus -----------------------------------------------


def keep_screenshot(fbdir, window, artifacts, name):
    """Writes the window's picture to artifacts/name once two looks a moment apart agree and
    show more than a blank window."""
    last = [None]

    def painted():
        rows = crop_rgb(read_screen(fbdir), *window)
        settled = rows == last[0] and len(set(rows)) > 20
        last[0] = rows
        return rows if settled else None

    rows = wait_for("the window to be painted", painted, timeout=5.0, step=0.2)
    os.makedirs(artifacts, exist_ok=True)
    shot = os.path.join(artifacts, name)
    write_png(shot, rows)
    print("screenshot: " + shot)


def find_application(pyatspi, pid):
    # The desktop's list of applications follows bus events, which arrive only through the
    # main loop.
    from gi.repository import GLib
    while GLib.MainContext.default().iteration(False):
        pass
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


# A named node on the bus, and what a test reads of it; extents are (x, y, width, height).
Control = collections.namedtuple("Control", "node role description checked extents")


def collect(pyatspi, node, found, depth=0):
    """Named nodes below `node`, the first of each name: name -> Control."""
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
            found[name] = Control(node, role, description, checked, (e.x, e.y, e.width, e.height))
        except Exception:
            pass
    for i in range(node.childCount):
        collect(pyatspi, node.getChildAtIndex(i), found, depth + 1)


def named_nodes(pyatspi, pid):
    """The named nodes of the program `pid` on the bus (see collect), or None before it is there."""
    app = find_application(pyatspi, pid)
    if app is None:
        return None
    found = {}
    collect(pyatspi, app, found)
    return found


# In the compile mode the window opens in, the file list shows the C sources only.
LISTED, UNLISTED = "blink.c", "notes.txt"
TEMPLATES = ("RESETV_RAM.MAR", "RESETV_ROM.MAR")

CONTROLS = ["ドライブ", "フォルダ", "ファイル", "アセンブル", "MOT", "コンパイル", "逆ASM",
            "ROM用MOT作成", "実行", "転送", "設定", "終了", "ログ"]


def controls(pyatspi, pid):
    found = named_nodes(pyatspi, pid)
    if found is None:
        return None
    # Qt names a combo box after its current text, so the drive list reads as its drive
    # ("c:") whatever accessible name it was given; it is the window's one combo box.
    combos = [name for name, control in found.items() if control.role == "combo box"]
    if "ドライブ" not in found and len(combos) == 1:
        found["ドライブ"] = found[combos[0]]
    if not all(name in found for name in CONTROLS + [LISTED]):
        return None
    return found


def check_layout(found, window):
    wx, wy, ww, wh = window
    # Places relative to the window's top-left corner.
    place = {name: (x - wx, y - wy, w, h)
             for name, (x, y, w, h) in ((n, c.extents) for n, c in found.items())}
    for name in CONTROLS:
        x, y, w, h = place[name]
        check(w > 0 and h > 0 and x >= 0 and y >= 0 and x + w <= ww and y + h <= wh,
              "%s lies outside the window: %s" % (name, place[name]))

    lists = ["ドライブ", "フォルダ", "ファイル"]
    middle = ["アセンブル", "MOT", "コンパイル", "逆ASM", "ROM用MOT作成"]
    buttons = ["実行", "転送", "設定", "終了"]
    log = place["ログ"]

    middle_left = min(place[n][0] for n in middle)
    buttons_left = min(place[n][0] for n in buttons)
    for n in lists:
        check(place[n][0] + place[n][2] <= middle_left,
              "list %s reaches into the middle column" % n)
    for n in middle:
        check(place[n][0] + place[n][2] <= buttons_left,
              "%s reaches into the button column" % n)
        check(place[n][1] + place[n][3] <= log[1], "%s reaches into the log" % n)
    # The lists stack top to bottom: drive, folder, file.
    tops = [place[n][1] for n in lists]
    check(tops == sorted(tops), "the lists are not stacked drive, folder, file: %s" % tops)
    # The buttons stack in the order 実行, 転送, 設定, 終了, all above the log.
    tops = [place[n][1] for n in buttons]
    check(tops == sorted(tops) and len(set(tops)) == 4,
          "the buttons are not stacked 実行, 転送, 設定, 終了: %s" % tops)
    for n in buttons:
        check(place[n][1] + place[n][3] <= log[1], "button %s reaches into the log" % n)
    # The log fills the bottom right: right of the lists, down to the bottom and right edges.
    lists_right = max(place[n][0] + place[n][2] for n in lists)
    check(log[0] >= lists_right, "the log starts left of the lists' right edge")
    check(ww - (log[0] + log[2]) <= 16 and wh - (log[1] + log[3]) <= 16,
          "the log does not reach the bottom right corner: %s" % (log,))
    check(log[1] >= wh // 3, "the log is not in the lower part of the window: %s" % (log,))
    return place


# --- the run --------------------------------------------------------------------------------


def run_on_desktop(name, doc, what, prefix, body):
    """The frame of a test of the program named on the command line, with the folder for
    artifacts: body(program, artifacts, pyatspi, work, procs) runs with a private home and
    runtime folder `work` (the accessibility bus launcher keeps its socket there), and every
    process it adds to procs is ended after it. Returns the exit status."""
    if len(sys.argv) != 3:
        print(doc)
        return 2
    program, artifacts = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    pyatspi = require_desktop()
    if not os.access(program, os.X_OK):
        raise Failure("no %s program at %s" % (what, program))
    procs = []
    work = tempfile.mkdtemp(prefix=prefix)
    os.environ["HOME"] = os.environ["XDG_RUNTIME_DIR"] = work
    try:
        body(program, artifacts, pyatspi, work, procs)
        print("%s: passed" % name)
        return 0
    except Failure as failure:
        print("%s: FAILED: %s" % (name, failure))
        return 1
    finally:
        for proc in procs:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        shutil.rmtree(work, ignore_errors=True)


def check_window(vesk, artifacts, pyatspi, work, procs):
    start = os.path.join(work, "start")
    fbdir = os.path.join(work, "fb")
    os.makedirs(os.path.join(start, "dosdevices"))
    os.makedirs(os.path.join(start, "samples"))
    os.makedirs(os.path.join(start, "tools"))
    os.makedirs(fbdir)
    os.symlink(start, os.path.join(start, "dosdevices", "c:"))
    for name in (LISTED, UNLISTED):
        with open(os.path.join(start, "samples", name), "w") as f:
            f.write("\n")
    # Written as a hand would write it; Vesk writes it back in its own form at the end.
    with open(os.path.join(start, "H8C.ini"), "wb") as f:
        f.write(SETTINGS.replace(b"\r\n", b"\n").replace(b"FFDF50", b"ffdf50"))
    # A workspace by its templates: outside one the first start opens a box of advice
    # before the window.
    for name in TEMPLATES:
        with open(os.path.join(start, name), "w") as f:
            f.write("\t.h8300h\n")

    display, env = start_desktop(fbdir, procs, work)
    app = subprocess.Popen([vesk], cwd=start, env=env)
    procs.insert(0, app)

    def opened():
        if app.poll() is not None:
            raise Failure("vesk ended with %d before its window opened" % app.returncode)
        return window_geometry(display)

    window = wait_for("the Vesk window", opened)
    print("window at %d,%d size %dx%d" % window)
    check(window[2:] == (WIDTH, HEIGHT),
          "window is %dx%d, the layout needs %dx%d" % (window[2], window[3], WIDTH, HEIGHT))

    found = wait_for("the controls on the accessibility bus",
                     lambda: controls(pyatspi, app.pid))
    place = check_layout(found, window)
    check(UNLISTED not in found, "the file list shows %s in the compile mode" % UNLISTED)
    fx, fy, fw, fh = place["ファイル"]
    lx, ly = found[LISTED].extents[0] - window[0], found[LISTED].extents[1] - window[1]
    check(fx <= lx < fx + fw and fy <= ly < fy + fh,
          "%s is not shown inside the file list" % LISTED)
    for name in CONTROLS:
        print("  %-14s %-12s at %3d,%3d size %3dx%3d" % ((name, found[name].role) + place[name]))

    keep_screenshot(fbdir, window, artifacts, "vesk-window.png")

    app.send_signal(signal.SIGTERM)
    try:
        code = app.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise Failure("vesk did not end on SIGTERM")
    check(code == 0, "vesk ended with %d on SIGTERM" % code)
    with open(os.path.join(start, "H8C.ini"), "rb") as f:
        settings = f.read()
    check(settings == SETTINGS, "H8C.ini holds %r, expected %r" % (settings, SETTINGS))


def main():
    return run_on_desktop("window_test", __doc__, "vesk", "vesk-window-", check_window)


if __name__ == "__main__":
    sys.exit(main())
