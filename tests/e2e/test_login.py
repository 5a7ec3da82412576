"""The title screen against the local server, as a new player meets it.

The real program starts under Xvfb with its settings pointing at a local server on
ports the OS picked; the test waits for the title screen with both login buttons
(checked on a screenshot), clicks quick start with xdotool and follows the device login
and its answer in the program's log.
"""
import contextlib
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
from tolvan_e2e import TolvanRun, Xvfb  # noqa: E402

# Points inside the two buttons (social at y 231 to 336, quick start at y 351 to 456).
SOCIAL_POINTS = [(520, 300), (760, 300)]
QUICK_POINTS = [(520, 430), (760, 430)]
QUICK_CENTRE = (640, 403)
# The registration scene of a new account.
NAME_FIELD = (640, 212)      # the name field spans x 454-825, y 175-250
SECOND_AVATAR = (755, 426)   # avatar 1: x within 70 of 755, y strictly between 355 and 497
CONFIRM = (640, 651)         # the confirm plate: 235 x 81 from (522, 611)
CLICK_INTERVAL = 0.6         # a control reports at most one click per 500 ms


def click(app, point):
    app.xdo("mousemove", "--window", app.window, str(point[0]), str(point[1]), "click", "1")


def register(app, name, avatar_point=SECOND_AVATAR):
    """Fills the registration scene of a new account with real input and confirms it."""
    app.wait_for_log(r"VXScene_regist::OnInit_Process", timeout=20)
    click(app, NAME_FIELD)
    app.xdo("windowfocus", "--sync", app.window)
    app.xdo("type", "--delay", "60", name)
    click(app, avatar_point)
    time.sleep(CLICK_INTERVAL)
    click(app, CONFIRM)
    app.wait_for_log(r"VXScene_regist::OnAnswer\| registration accepted", timeout=20)


def server_binary():
    path = os.path.join(os.environ.get("TOLVAN_BUILD_DIR", "."), "tolvan-server")
    if not os.path.exists(path):
        raise unittest.SkipTest("no local server at %s" % path)
    return path


class LocalServer:
    """build/tolvan-server with its master and game ports chosen by the OS, and any
    further server options given."""

    def __init__(self, root, *options):
        self.root = root
        self.options = list(options)
        # Its own web side on a free port unless the test says otherwise, so that
        # servers of tests run side by side never meet on the default port.
        if "--http-port" not in self.options and "--no-http" not in self.options:
            self.options += ["--http-port", "0"]
        self.err_path = os.path.join(root, "server.err")
        self.proc = None
        self.master_port = None
        self.web_port = None  # None too when the web side is off

    def __enter__(self):
        self.err = open(self.err_path, "w")
        self.proc = subprocess.Popen(
            [server_binary(), "--master-port", "0", "--game-port", "0",
             "--db", os.path.join(self.root, "server.db"), "--log-level", "2"] + self.options,
            stdout=subprocess.DEVNULL, stderr=self.err)
        end = time.time() + 20
        while self.master_port is None:
            with open(self.err_path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            m = re.search(r"master [0-9.]+:(\d+)", text)
            if m:
                self.master_port = int(m.group(1))
                web = re.search(r"web [0-9.]+:(\d+)", text[m.start():].split("\n")[0])
                self.web_port = int(web.group(1)) if web else None
            elif self.proc.poll() is not None or time.time() > end:
                raise AssertionError("the local server did not start:\n" + open(self.err_path).read())
            else:
                time.sleep(0.05)
        return self

    @property
    def web_base(self):
        return "http://127.0.0.1:%d" % self.web_port

    def trace(self):
        """What the server wrote so far (its trace lines with --log-level 3)."""
        with open(self.err_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def wait_for_trace(self, pattern, timeout=10):
        rx = re.compile(pattern)
        end = time.time() + timeout
        while True:
            m = rx.search(self.trace())
            if m:
                return m
            if time.time() > end:
                raise AssertionError("no server line matching %r within %ss:\n%s"
                                     % (pattern, timeout, self.trace()[-3000:]))
            time.sleep(0.05)

    def __exit__(self, *exc):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.err.close()


# A web base where nothing answers (the discard port).
NO_WEB_SIDE = "http://127.0.0.1:9"


def is_blue(rgb):
    r, g, b = rgb
    return b > r + 40 and b > g + 30


def is_green(rgb):
    r, g, b = rgb
    return g > r + 60 and g > b + 50


class LoginTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tolvan-e2e-login-")
        # Settings and account files survive from one run of the program to the next.
        self.config = os.path.join(self.root, "config")
        self.data = os.path.join(self.root, "data")
        os.makedirs(self.config)

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def write_settings(self, port, **values):
        # No banners unless the test points the web base at its server: the default
        # address may be anybody's server on this machine.
        settings = {"master_address": "127.0.0.1", "master_port": port, "web_base": NO_WEB_SIDE}
        settings.update(values)
        path = os.path.join(self.config, "settings.json")
        if os.path.exists(path):
            with open(path) as f:
                stored = json.load(f)
            stored.update(settings)
            settings = stored
        with open(path, "w") as f:
            json.dump(settings, f)

    def settings(self):
        with open(os.path.join(self.config, "settings.json")) as f:
            return json.load(f)

    @contextlib.contextmanager
    def running(self, x, ready):
        """One run of the program with this test's settings and account files."""
        app = TolvanRun(x, test_mode=None,
                        extra_env={"TOLVAN_CONFIG_DIR": self.config, "TOLVAN_DATA_DIR": self.data})
        try:
            app.start(ready=ready, timeout=30)
            yield app
        finally:
            app.__exit__(None, None, None)

    def wait_for_title(self, app, name, timeout=20):
        """Screenshots until both buttons are on screen; returns the path."""
        end = time.time() + timeout
        while True:
            shot = app.screenshot(name)
            social = [app.pixel(shot, *p) for p in SOCIAL_POINTS]
            quick = [app.pixel(shot, *p) for p in QUICK_POINTS]
            if all(map(is_blue, social)) and all(map(is_green, quick)):
                return shot
            if time.time() > end:
                self.fail("no title screen with both buttons: social %s, quick %s (%s)" % (social, quick, shot))
            time.sleep(0.1)

    def test_quick_start_logs_a_new_player_in_from_the_title_screen(self):
        with Xvfb() as x, LocalServer(self.root) as server:
            self.write_settings(server.master_port)
            started = time.time()
            with self.running(x, r"GameModeLogin::OnInit_Process") as app:
                print("start to the title screen's first frame (log): %.2f s" % (time.time() - started))
                app.wait_for_log(r"CGameSession::Connect 127\.0\.0\.1:%d" % server.master_port)
                app.wait_for_log(r"VX_PROTOCOL_HELLO::version \(3, 3, 0\)")
                self.wait_for_title(app, "login_title")
                print("start to the title screen with its buttons (screenshot): %.2f s" % (time.time() - started))

                app.xdo("mousemove", "--window", app.window, str(QUICK_CENTRE[0]), str(QUICK_CENTRE[1]),
                        "click", "1")
                app.wait_for_log(r"GameModeLogin::Send_Login kind 1")
                app.wait_for_log(r"GameModeLogin::OnLoginReply result 0")
                device_id = self.settings()["uuid"]
                self.assertRegex(device_id, r"^[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}$")
                log = app.log_text()
                self.assertIn("uuid set == %s-****" % device_id[:8], log)
                self.assertNotIn(device_id, log)
                # A new account goes on to its registration before any other mode.
                self.assertNotIn("GameModeLobby::Create", log)
                app.wait_for_log(r"VXScene_regist::OnInit_Process", timeout=20)

    def test_quick_start_switched_off_leaves_only_the_social_button(self):
        with Xvfb() as x, LocalServer(self.root) as server:
            self.write_settings(server.master_port, quick_start=0)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                end = time.time() + 20
                while True:
                    shot = app.screenshot("login_no_quick")
                    if all(is_blue(app.pixel(shot, *p)) for p in SOCIAL_POINTS):
                        break
                    self.assertLess(time.time(), end, "no social button on " + shot)
                    time.sleep(0.1)
                self.assertFalse(any(is_green(app.pixel(shot, *p)) for p in QUICK_POINTS))
                # A click where quick start would be does nothing; the social button, clicked
                # after it, opens the social login dialog.
                app.xdo("mousemove", "--window", app.window, str(QUICK_CENTRE[0]), str(QUICK_CENTRE[1]),
                        "click", "1")
                app.xdo("mousemove", "--window", app.window, str(SOCIAL_POINTS[0][0]), str(SOCIAL_POINTS[0][1]),
                        "click", "1")
                app.wait_for_log(r'ZBWebView::Open\| "Facebook Login"')
                self.assertNotIn("GameModeLogin::Send_Login", app.log_text())

    def test_a_returning_device_account_logs_in_by_itself(self):
        with Xvfb() as x, LocalServer(self.root) as server:
            self.write_settings(server.master_port)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                self.wait_for_title(app, "login_first_start")
                app.xdo("mousemove", "--window", app.window, str(QUICK_CENTRE[0]), str(QUICK_CENTRE[1]),
                        "click", "1")
                app.wait_for_log(r"GameModeLogin::OnLoginReply result 0")
            device_id = self.settings()["uuid"]

            # Next start with auto-login on: the saved quick-start account logs in by
            # device, with no click, and the returning account is sent on to the lobby.
            self.write_settings(server.master_port, auto_login=1, account_type=1)
            with self.running(x, r"GameModeLogin::OnInit_Process") as app:
                app.wait_for_log(r"uuid get == %s-\*\*\*\*" % device_id[:8])
                app.wait_for_log(r"GameModeLogin::Send_Login kind 1")
                app.wait_for_log(r"GameModeLogin::OnLoginReply result 0")
                app.wait_for_log(r"GameModeLobby::Create \*+")
                self.assertEqual(self.settings()["uuid"], device_id)


if __name__ == "__main__":
    unittest.main()
