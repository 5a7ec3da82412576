"""Measures how long a player waits at the door and on the way to a table, on the real
program against the local server.

    TOLVAN_BINARY=$PWD/build/tolvan TOLVAN_BUILD_DIR=$PWD/build python3 tests/e2e/measure_login.py [runs]

For each run (default 5) the program starts with a fresh process under its own Xvfb, and
the script records, on its own clock:
  - start: the moment the program is started;
  - title: the first screenshot on which both login buttons are drawn, and the log line
    of the server's hello (the buttons log in from then on);
  - lobby: after a click on quick start (a registered device account, auto-login off),
    the log line "GameModeLobby::OnInit_Process ...";
  - table: in the lobby, the normal game's tile opens the room list; after a click on its
    first room, the table screen's "GameModePlay::OnInit_Process ..." (the table is on
    screen) and the table's first "206 table info" (its seats and players filled in).
The server holds no seat after a player leaves (--seat-grace-ms 0), so every run starts
at the door again.
A log line's moment is when the script first sees it in the log file, which it reads
every 20 ms; the log's own timestamps count whole seconds, so they only bound the
figures. Prints every run and the median of each figure. Not a test: nothing is asserted.
"""
import json
import os
import re
import shutil
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_login import QUICK_CENTRE, QUICK_POINTS, SOCIAL_POINTS, LocalServer, is_blue, is_green, register  # noqa: E402
from tolvan_e2e import TolvanRun, Xvfb  # noqa: E402
from test_lobby import NORMAL_GAME  # noqa: E402
from test_table import FIRST_ROOM  # noqa: E402


def seen(app, pattern, timeout=30):
    """The script's clock when a log line matching `pattern` is first there."""
    rx = re.compile(pattern)
    end = time.time() + timeout
    while time.time() < end:
        if rx.search(app.log_text()):
            return time.time()
        time.sleep(0.02)
    raise RuntimeError("no log line %r" % pattern)


def buttons_drawn(app, timeout=30):
    end = time.time() + timeout
    while time.time() < end:
        shot = app.screenshot("measure_title")
        if all(is_blue(app.pixel(shot, *p)) for p in SOCIAL_POINTS) and \
                all(is_green(app.pixel(shot, *p)) for p in QUICK_POINTS):
            return time.time()
    raise RuntimeError("no title screen")


def write_settings(config, port, **values):
    path = os.path.join(config, "settings.json")
    stored = {}
    if os.path.exists(path):
        with open(path) as f:
            stored = json.load(f)
    stored.update({"master_address": "127.0.0.1", "master_port": port})
    stored.update(values)
    with open(path, "w") as f:
        json.dump(stored, f)


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    root = tempfile.mkdtemp(prefix="tolvan-measure-")
    config, data = os.path.join(root, "config"), os.path.join(root, "data")
    os.makedirs(config)
    env = {"TOLVAN_CONFIG_DIR": config, "TOLVAN_DATA_DIR": data}
    figures = {"hello": [], "buttons": [], "lobby": [], "table screen": [], "table filled": []}
    try:
        with Xvfb() as x, LocalServer(root, "--seat-grace-ms", "0") as server:
            write_settings(config, server.master_port)
            # The device account is registered once, outside the measurement.
            app = TolvanRun(x, test_mode=None, extra_env=env)
            try:
                app.start(ready=r"VX_PROTOCOL_HELLO::version", timeout=30)
                buttons_drawn(app)
                app.xdo("mousemove", "--window", app.window, str(QUICK_CENTRE[0]), str(QUICK_CENTRE[1]), "click", "1")
                register(app, "Measure")
                seen(app, r"GameModeLobby::OnInit_Process \.\.\.")
            finally:
                app.__exit__(None, None, None)
            for i in range(runs):
                write_settings(config, server.master_port, auto_login=0)
                app = TolvanRun(x, test_mode=None, extra_env=env)
                try:
                    start = time.time()
                    app.start(ready=None, timeout=30)
                    hello = seen(app, r"VX_PROTOCOL_HELLO::version")
                    buttons = buttons_drawn(app)
                    click = time.time()
                    app.xdo("mousemove", "--window", app.window, str(QUICK_CENTRE[0]), str(QUICK_CENTRE[1]),
                            "click", "1")
                    lobby = seen(app, r"GameModeLobby::OnInit_Process \.\.\.")
                    time.sleep(1.0)  # the lobby's own requests and fade
                    app.xdo("mousemove", "--window", app.window, str(NORMAL_GAME[0]), str(NORMAL_GAME[1]),
                            "click", "1")
                    seen(app, r"VXScene_game::OnInit_Process")
                    time.sleep(1.0)  # the room list's fade-in
                    room_click = time.time()
                    app.xdo("mousemove", "--window", app.window, str(FIRST_ROOM[0]), str(FIRST_ROOM[1]),
                            "click", "1")
                    table_screen = seen(app, r"GameModePlay::OnInit_Process \.\.\.")
                    table_filled = seen(app, r"GameModePlay::OnPacket\| 206 table info mode 0")
                    stamps = re.findall(r"^\[\d{8} (\d\d:\d\d:\d\d)\]\[GAME_LOG\] (main \| start|.*"
                                        r"VX_PROTOCOL_HELLO::version|.*GameModeLobby::OnInit_Process)",
                                        app.log_text(), re.M)
                finally:
                    app.__exit__(None, None, None)
                figures["hello"].append(hello - start)
                figures["buttons"].append(buttons - start)
                figures["lobby"].append(lobby - click)
                figures["table screen"].append(table_screen - room_click)
                figures["table filled"].append(table_filled - room_click)
                print("run %d: start to hello %.2f s, to both buttons drawn %.2f s; quick-start click to the "
                      "lobby %.2f s; room click to the table screen %.2f s, to its players %.2f s; log stamps %s"
                      % (i + 1, hello - start, buttons - start, lobby - click, table_screen - room_click,
                         table_filled - room_click, [s for s, _ in stamps]))
    finally:
        shutil.rmtree(root, ignore_errors=True)
    for name, values in figures.items():
        print("median %s: %.2f s (min %.2f, max %.2f)" % (name, statistics.median(values), min(values),
                                                           max(values)))


if __name__ == "__main__":
    main()
