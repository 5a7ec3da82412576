"""End-to-end tests of the notification layer: the real program under Xvfb against the
real local server (build/tolvan-server) on ports the OS picked.

  - a click on a box's button closes the box and its callback runs once, even when the
    button is clicked twice in a row: the quit question the title screen asks on the
    back key, answered "cancel" (the program stays) and then "OK" (it quits);
  - a notice the server sends (message 166, style 0) appears as a banner at the top of
    the screen and is gone once its time has run out. This one needs the server to send
    a notice on request and skips until it can.

Run one with:
  TOLVAN_BINARY=build/tolvan TOLVAN_BUILD_DIR=build python3 tests/e2e/test_notify.py NotifyTest.test_box_button_closes_it_and_its_callback_runs_once
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_login import LocalServer, is_green, server_binary  # noqa: E402
from tolvan_e2e import TolvanRun, Xvfb  # noqa: E402

# The server option that sends a notice (message 166) to every client once it has
# logged in: --notice STYLE:TEXT.
NOTICE_OPTION = "--notice"
NOTICE_TEXT = "e2e notice"
# The confirmation's buttons, centred (design units are window pixels at 1280 x 720),
# and a point on each plate below its label.
OK_BUTTON = (378 + 117, 489 + 40)
CANCEL_BUTTON = (674 + 117, 489 + 40)
OK_PLATE = (378 + 117, 489 + 66)
CANCEL_PLATE = (674 + 117, 489 + 66)
BOX_CLOSED = r"GameNotify::Update box closed type 0 result (\d), callback"


def server_help():
    try:
        return subprocess.run([server_binary(), "--help"], capture_output=True, text=True, timeout=10).stdout
    except OSError:
        return ""


def is_yellow(rgb):
    r, g, b = rgb
    return r > b + 60 and g > b + 40


class NotifyTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tolvan-e2e-notify-")
        self.addCleanup(shutil.rmtree, self.root, True)
        self.config = os.path.join(self.root, "config")
        os.makedirs(self.config)

    def title_screen(self, x, server):
        """The real program (no test mode) on its title screen, greeted by `server`."""
        with open(os.path.join(self.config, "settings.json"), "w") as f:
            json.dump({"master_address": "127.0.0.1", "master_port": server.master_port}, f)
        app = TolvanRun(x, test_mode=None, extra_env={"TOLVAN_CONFIG_DIR": self.config})
        self.addCleanup(app.__exit__, None, None, None)
        app.start(ready=r"GameModeLogin::OnInit_Process", timeout=30)
        app.wait_for_log(r"VX_PROTOCOL_HELLO::version", timeout=20)
        return app

    def ask_to_quit(self, app, opened):
        """The back key; waits for the `opened`-th box to open and its 250 ms to pass."""
        app.key("Escape")
        end = time.time() + 10
        while len(re.findall(r"GameNotify::Update box open type 0", app.log_text())) < opened:
            if time.time() > end:
                self.fail("no quit question on the back key; log:\n" + app.log_text()[-3000:])
            time.sleep(0.05)
        time.sleep(0.4)  # taps count once the box has risen into place

    def click_twice(self, app, point):
        app.xdo("mousemove", "--window", app.window, str(point[0]), str(point[1]),
                "click", "--repeat", "2", "--delay", "80", "1")

    def test_box_button_closes_it_and_its_callback_runs_once(self):
        x = Xvfb().__enter__()
        self.addCleanup(x.__exit__, None, None, None)
        with LocalServer(self.root) as server:
            app = self.title_screen(x, server)
            self.ask_to_quit(app, 1)
            shot = app.screenshot("notify_quit_question")
            self.assertTrue(is_green(app.pixel(shot, *OK_PLATE)), "the OK button is on screen")
            self.assertTrue(is_yellow(app.pixel(shot, *CANCEL_PLATE)), "the cancel button is on screen")

            # Cancel, clicked twice: the box closes, its callback runs once, with 0.
            self.click_twice(app, CANCEL_BUTTON)
            app.wait_for_log(BOX_CLOSED, timeout=10)
            time.sleep(0.6)  # room for a wrong second close to show up
            self.assertEqual(re.findall(BOX_CLOSED, app.log_text()), ["0"])
            self.assertIsNone(app.proc.poll(), "cancel keeps the program running")
            gone = app.screenshot("notify_quit_question_gone")
            self.assertFalse(is_yellow(app.pixel(gone, *CANCEL_PLATE)), "the box has left the screen")

            # OK, clicked twice: one callback with 1, and the program quits.
            self.ask_to_quit(app, 2)
            self.click_twice(app, OK_BUTTON)
            self.assertEqual(app.wait(timeout=20), 0)
            self.assertEqual(re.findall(BOX_CLOSED, app.log_text()), ["0", "1"])

    def test_server_notice_shows_a_banner_and_it_leaves(self):
        if NOTICE_OPTION not in server_help():
            self.skipTest("the local server cannot send a notice yet (%s)" % NOTICE_OPTION)
        x = Xvfb().__enter__()
        self.addCleanup(x.__exit__, None, None, None)
        with LocalServer(self.root, NOTICE_OPTION, "0:" + NOTICE_TEXT) as server:
            app = self.title_screen(x, server)
            # The notice comes with the login: quick start on the title screen.
            app.xdo("mousemove", "--window", app.window, "640", "403", "click", "1")
            app.wait_for_log(r"GameNotify::Update banner open kind 0", timeout=20)
            time.sleep(0.4)  # fully down 250 ms after opening
            shown = app.screenshot("notify_banner_shown")
            bar = app.pixel(shown, 640, 8)
            self.assertNotEqual(bar, app.pixel(shown, 640, 140), "the banner bar covers the top of the screen")
            # Banners of server notices stay 3 s, then slide away in 250 ms.
            app.wait_for_log(r"GameNotify::Update banner closed kind 0", timeout=10)
            time.sleep(0.1)
            gone = app.screenshot("notify_banner_gone")
            self.assertNotEqual(app.pixel(gone, 640, 8), bar, "the banner has left")


if __name__ == "__main__":
    unittest.main()
