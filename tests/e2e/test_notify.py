"""End-to-end tests of the notification layer: the real program under Xvfb against the
real local server (build/tolvan-server) on ports the OS picked.

  - a click on a box's button closes the box and its callback runs once, even when the
    button is clicked twice in a row: the quit question the title screen asks on the
    back key, answered "cancel" (the program stays) and then "OK" (it quits);
  - a notice the server sends (message 166, style 0, sent when the server gets SIGUSR1)
    appears as a banner at the top of the title screen and is gone once its 3 s have
    run out.

Run one with:
  TOLVAN_BINARY=build/tolvan TOLVAN_BUILD_DIR=build python3 tests/e2e/test_notify.py NotifyTest.test_box_button_closes_it_and_its_callback_runs_once
"""
import json
import os
import re
import shutil
import signal
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_login import LocalServer, is_green  # noqa: E402
from tolvan_e2e import TolvanRun, Xvfb  # noqa: E402

NOTICE_TEXT = "e2e notice"
# The confirmation's buttons, centred (design units are window pixels at 1280 x 720),
# and a point on each plate below its label.
OK_BUTTON = (378 + 117, 489 + 40)
CANCEL_BUTTON = (674 + 117, 489 + 40)
OK_PLATE = (378 + 117, 489 + 66)
CANCEL_PLATE = (674 + 117, 489 + 66)
BOX_CLOSED = r"GameNotify::Update box closed type 0 result (\d), callback"


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
        x = Xvfb().__enter__()
        self.addCleanup(x.__exit__, None, None, None)
        with LocalServer(self.root, "--notice-text", NOTICE_TEXT, "--notice-style", "0") as server:
            app = self.title_screen(x, server)
            before = app.screenshot("notify_before_notice")
            server.proc.send_signal(signal.SIGUSR1)
            app.wait_for_log(r"GameNotify::Update banner open kind 0", timeout=20)
            time.sleep(0.4)  # fully down 250 ms after opening
            shown = app.screenshot("notify_banner_shown")
            # The cream bar covers the top centre of the screen; below it the title
            # screen is as it was.
            bar = app.pixel(shown, 640, 8)
            self.assertTrue(min(bar) > 150 and bar[0] > bar[2], "a cream bar at the top: %s" % (bar,))
            self.assertNotEqual(bar, app.pixel(before, 640, 8))
            self.assertEqual(app.pixel(shown, 20, 8), app.pixel(before, 20, 8), "the bar leaves the sides free")
            # Banners of server notices stay 3 s, then slide away in 250 ms.
            app.wait_for_log(r"GameNotify::Update banner closed kind 0", timeout=10)
            time.sleep(0.1)
            gone = app.screenshot("notify_banner_gone")
            self.assertNotEqual(app.pixel(gone, 640, 8), bar, "the banner has left")
            with open(server.err_path, encoding="utf-8", errors="replace") as f:
                self.assertRegex(f.read(), r"tolvan-server: notice sent to 1 client")


if __name__ == "__main__":
    unittest.main()
