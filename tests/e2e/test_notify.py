"""End-to-end tests of the notification layer: the real program under Xvfb against the
real local server (build/tolvan-server) on ports of its own.

  - a notice the server sends (message 166, style 0) appears as a banner at the top of
    the screen and is gone once its time has run out;
  - a click on a box's button closes the box and its callback runs once, even when the
    button is clicked twice in a row.

Both need the program to log in to the master server, and the first needs the server
to send a notice on request; each test says which of the two it is still waiting for
and skips until then.

Run one with:
  TOLVAN_BINARY=build/tolvan TOLVAN_BUILD_DIR=build python3 tests/e2e/test_notify.py NotifyTest.test_server_notice_shows_a_banner
"""
import json
import os
import re
import socket
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tolvan_e2e import TolvanRun, Xvfb  # noqa: E402

# The server option that sends a notice (message 166) to every client once it has
# logged in: --notice STYLE:TEXT.
NOTICE_OPTION = "--notice"
NOTICE_TEXT = "e2e notice"
# What the program logs when it has logged in and shows a mode behind the layer.
LOGGED_IN = r"GameModeLobby::Create \*{10}"
# The quit confirmation's cancel button, centred (design units = window pixels here).
CANCEL_BUTTON = (674 + 117, 489 + 40)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def server_binary():
    return os.path.join(os.environ.get("TOLVAN_BUILD_DIR", "."), "tolvan-server")


def server_help():
    try:
        return subprocess.run([server_binary(), "--help"], capture_output=True, text=True, timeout=10).stdout
    except OSError:
        return ""


class LocalServer:
    """build/tolvan-server on free ports with its own database."""

    def __init__(self, *extra):
        self.root = tempfile.mkdtemp(prefix="tolvan-e2e-server-")
        self.master_port = free_port()
        self.game_port = free_port()
        self.args = [server_binary(), "--master-port", str(self.master_port), "--game-port", str(self.game_port),
                     "--db", os.path.join(self.root, "server.db"), "--log-level", "3"] + list(extra)
        self.proc = None
        self.log_path = os.path.join(self.root, "server.log")

    def __enter__(self):
        self.log = open(self.log_path, "w")
        self.proc = subprocess.Popen(self.args, stdout=self.log, stderr=subprocess.STDOUT)
        end = time.time() + 10
        while not re.search(r"tolvan-server: master", self.text()):
            if self.proc.poll() is not None or time.time() > end:
                raise AssertionError("the server did not start:\n" + self.text())
            time.sleep(0.05)
        return self

    def __exit__(self, *exc):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait(timeout=10)
        self.log.close()

    def text(self):
        with open(self.log_path, encoding="utf-8", errors="replace") as f:
            return f.read()


class NotifyTest(unittest.TestCase):
    def run_client(self, server):
        """The real program (no test mode) pointed at `server`."""
        x = Xvfb().__enter__()
        self.addCleanup(x.__exit__, None, None, None)
        app = TolvanRun(x, test_mode=None)
        self.addCleanup(app.__exit__, None, None, None)
        config = app.env["TOLVAN_CONFIG_DIR"]
        os.makedirs(config, exist_ok=True)
        with open(os.path.join(config, "settings.json"), "w") as f:
            json.dump({"master_address": "127.0.0.1", "master_port": server.master_port}, f)
        app.start(ready=None)
        try:
            app.wait_for_log(LOGGED_IN, timeout=30)
        except AssertionError:
            self.skipTest("the program does not log in to the master server yet (login mode)")
        return app

    def test_server_notice_shows_a_banner_and_it_leaves(self):
        if NOTICE_OPTION not in server_help():
            self.skipTest("the local server cannot send a notice yet (%s)" % NOTICE_OPTION)
        with LocalServer(NOTICE_OPTION, "0:" + NOTICE_TEXT) as server:
            app = self.run_client(server)
            app.wait_for_log(r"GameNotify::Update banner open kind 0", timeout=20)
            time.sleep(0.4)  # fully down 250 ms after opening
            shown = app.screenshot("notify_banner_shown")
            bar = app.pixel(shown, 640, 8)
            below = app.pixel(shown, 640, 140)
            self.assertNotEqual(bar, below, "the banner bar covers the top of the screen")
            # Banners of server notices stay 3 s, then slide away in 250 ms.
            app.wait_for_log(r"GameNotify::Update banner closed kind 0", timeout=10)
            time.sleep(0.1)
            gone = app.screenshot("notify_banner_gone")
            self.assertNotEqual(app.pixel(gone, 640, 8), bar, "the banner has left")

    def test_box_button_closes_it_and_its_callback_runs_once(self):
        with LocalServer() as server:
            app = self.run_client(server)
            # The back key asks whether to quit: a two-button box with a callback.
            app.key("Escape")
            app.wait_for_log(r"GameNotify::Update box open type 0", timeout=10)
            time.sleep(0.4)  # past the 250 ms opening, when taps count
            app.screenshot("notify_confirm_shown")
            x, y = CANCEL_BUTTON
            app.xdo("mousemove", "--window", app.window, str(x), str(y), "click", "--repeat", "2", "--delay", "80", "1")
            app.wait_for_log(r"GameNotify::Update box closed type 0 result 0, callback", timeout=10)
            time.sleep(0.6)
            closes = re.findall(r"GameNotify::Update box closed type 0 result \d, callback", app.log_text())
            self.assertEqual(len(closes), 1, "one box closed, one callback")
            self.assertIsNone(app.proc.poll(), "cancel keeps the program running")


if __name__ == "__main__":
    unittest.main()
