"""The social login of the real program against the local server's own stand-ins.

The program runs with nothing but the master's port and the web base in its settings:
the application id, the authorisation page, the Graph API and the logout page are its
defaults, and they must meet the local server's stand-ins there. The test clicks the
social button, waits for the authorisation window (found by its title) to show its two
buttons, and clicks one of them as a user would. The server runs with its trace on, so
every request of its web side is in its output (path and status, never a query).

The forced login results of the server's --force-login-result reach their branches:
4 (the account is in use: a box, and logged out: the next click connects anew), 7 (maintenance: the
maintenance page opened in the desktop's browser, here a recording stand-in for xdg-open
first on PATH) and 8 (greet again: an error box, and the next click greets the server
anew before it logs in).
"""
import os
import re
import sqlite3
import stat
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_lobby  # noqa: E402  (the module, so that its own test class is not run here)
from test_login import CLICK_INTERVAL, QUICK_CENTRE, SOCIAL_POINTS, LocalServer  # noqa: E402
from tolvan_e2e import TolvanRun, Xvfb  # noqa: E402

SOCIAL_ID = "100000000000001"           # the server's test identity
PADDED_ID = "00000" + SOCIAL_ID         # as the game sends it: 20 digits
THAI_NAME = "สมชาย ใจดี"
# The dialog is 500 x 310 over the middle of the game window; the page's buttons fill
# its lower half, approve on the left and cancel on the right (probed off their labels).
DIALOG = (390, 205)
APPROVE, CANCEL = (40, 280), (460, 280)
APPROVE_BLUE, CANCEL_GREY = (24, 119, 242), (136, 136, 136)
SETTINGS_GEAR = (1217, 42)  # the lobby's settings button: 100 x 80 from (1167, 2)
LOGOUT = (973, 628)         # the settings panel's logout plate: 235 x 81 from (856, 588)
# The server's tokens are 40 hexadecimal digits: none may show up anywhere on our side.
TOKEN_LIKE = re.compile(r"[0-9a-f]{40}")


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def near(p, want, tol=20):
    return all(abs(a - b) <= tol for a, b in zip(p, want))


def social_server(root, *options):
    return LocalServer(root, "--http-port", "0", "--log-level", "3", *options)


class SocialLoginTest(test_lobby.LobbyTest):
    test_quick_start_reaches_the_lobby_and_the_normal_game_server = None

    @staticmethod
    def pages_asked(server):
        return len(re.findall(r"web GET /dialog/oauth 200", server.trace()))

    def open_dialog(self, app, server, name, asked=None):
        """Clicks the social button, or with `asked` (the authorisation pages served
        before) waits for the program to open the dialog by itself; returns the
        authorisation window once its page shows both buttons."""
        click = asked is None
        if click:
            asked = self.pages_asked(server)
            app.xdo("mousemove", "--window", app.window, "20", "20", "mousemove", "--window", app.window,
                    str(SOCIAL_POINTS[0][0]), str(SOCIAL_POINTS[0][1]), "click", "1")
        app.wait_for_log(r'ZBWebView::Open\| "Facebook Login" on %s' % re.escape(server.web_base), timeout=20)
        view = app.find_window("^Facebook Login$", timeout=20)
        end = time.time() + 20
        while self.pages_asked(server) <= asked:
            self.assertLess(time.time(), end, "the authorisation page was not asked for:\n" + server.trace())
            time.sleep(0.05)
        while True:
            shot = app.screenshot(name)
            approve = app.pixel(shot, DIALOG[0] + APPROVE[0], DIALOG[1] + APPROVE[1])
            cancel = app.pixel(shot, DIALOG[0] + CANCEL[0], DIALOG[1] + CANCEL[1])
            if near(approve, APPROVE_BLUE) and near(cancel, CANCEL_GREY):
                return view
            self.assertLess(time.time(), end, "no approve and cancel buttons: %s %s (%s)" % (approve, cancel, shot))
            time.sleep(0.1)

    def press(self, app, view, point):
        app.xdo("mousemove", "--window", view, str(point[0]), str(point[1]), "click", "1")

    def wait_for_no_window(self, app, title, timeout=10):
        end = time.time() + timeout
        while True:
            found = subprocess.run(["xdotool", "search", "--name", title], env=app.env,
                                   capture_output=True, text=True, timeout=10).stdout.split()
            if not found:
                return
            self.assertLess(time.time(), end, "the window %r is still there" % title)
            time.sleep(0.1)

    def accounts(self):
        db = sqlite3.connect("file:%s?mode=ro" % os.path.join(self.root, "server.db"), uri=True)
        try:
            return db.execute("SELECT account_id, nickname, account_type FROM accounts WHERE account_id NOT LIKE "
                              "'bot_%'").fetchall()
        finally:
            db.close()

    def assert_no_token(self, app, server):
        for what, text in (("log", app.log_text()), ("server trace", server.trace()),
                           ("settings", read(os.path.join(self.config, "settings.json")))):
            self.assertIsNone(TOKEN_LIKE.search(text), "a token in the " + what)

    def approve_to_the_lobby(self, app, server, view):
        self.press(app, view, APPROVE)
        app.wait_for_log(r"ZBWebView\| page call set_uuid \(40 bytes\)", timeout=20)
        app.wait_for_log(r"GtkModal\| closed")
        server.wait_for_trace(r"web GET /graph/me 200")
        server.wait_for_trace(r"web GET /graph/%s/friends 200" % SOCIAL_ID)
        app.wait_for_log(r"Facebook\| identity %s" % PADDED_ID)
        app.wait_for_log(r"GameModeLogin::Send_Login kind 0")
        app.wait_for_log(r"GameModeLobby::Create \*{10}(?! END)", timeout=20)
        self.wait_for_no_window(app, "^Facebook Login$")

    def test_approve_logs_the_social_identity_in_and_no_token_is_kept(self):
        with Xvfb() as x, social_server(self.root) as server:
            self.write_settings(server.master_port, web_base=server.web_base)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                self.wait_for_title(app, "social_title")
                view = self.open_dialog(app, server, "social_dialog")
                self.approve_to_the_lobby(app, server, view)
                shot = self.wait_for_lobby_header(app, "social_lobby")
                # The Thai name in the header, the account the server made for the id it
                # unscrambled from the login, and the friends uploaded after it.
                self.assertGreater(test_lobby.whites(test_lobby.region(shot, 145, 14, 140, 26)), 40,
                                   "no name on " + shot)
                self.assertEqual(self.accounts(), [(PADDED_ID, THAI_NAME, 0)])
                server.wait_for_trace(r"account \d+ uploaded 2 social friends")
                self.assertEqual(self.settings().get("account_type"), 0)
                self.assertEqual(self.settings().get("auto_login"), 1)
                self.assert_no_token(app, server)

    def test_cancel_closes_the_window_and_the_button_works_again(self):
        with Xvfb() as x, social_server(self.root) as server:
            self.write_settings(server.master_port, web_base=server.web_base)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                self.wait_for_title(app, "social_cancel_title")
                view = self.open_dialog(app, server, "social_cancel_dialog")
                self.press(app, view, CANCEL)
                app.wait_for_log(r"ZBWebView\| page call set_close")
                app.wait_for_log(r"GtkModal\| closed")
                self.wait_for_no_window(app, "^Facebook Login$")
                self.assertNotIn("/graph/", server.trace())
                self.assertNotIn("Send_Login", app.log_text())
                self.assertEqual(self.accounts(), [])

                # The button works again, and the second time through the user approves.
                time.sleep(CLICK_INTERVAL)
                view = self.open_dialog(app, server, "social_cancel_again")
                self.approve_to_the_lobby(app, server, view)
                self.assertEqual(self.accounts(), [(PADDED_ID, THAI_NAME, 0)])
                self.assert_no_token(app, server)

    def test_a_returning_social_account_opens_the_dialog_by_itself(self):
        with Xvfb() as x, social_server(self.root) as server:
            self.write_settings(server.master_port, web_base=server.web_base)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                self.wait_for_title(app, "social_again_title")
                self.approve_to_the_lobby(app, server, self.open_dialog(app, server, "social_again_dialog"))
            self.assertEqual(self.settings().get("auto_login"), 1)
            self.assertEqual(self.settings().get("account_type"), 0)

            # The next start logs the social account in with no click: the dialog opens
            # by itself once the title screen is up, and approving it reaches the lobby.
            asked = self.pages_asked(server)
            with self.running(x, r"GameModeLogin::OnInit_Process") as app:
                view = self.open_dialog(app, server, "social_again_auto", asked=asked)
                self.assertNotIn("Send_Login", app.log_text())
                self.approve_to_the_lobby(app, server, view)
            self.assertEqual(self.accounts(), [(PADDED_ID, THAI_NAME, 0)])

    def test_logout_signs_out_of_the_social_network_and_returns_to_the_title(self):
        with Xvfb() as x, social_server(self.root) as server:
            self.write_settings(server.master_port, web_base=server.web_base)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                self.wait_for_title(app, "social_logout_title")
                self.approve_to_the_lobby(app, server, self.open_dialog(app, server, "social_logout_dialog"))
                self.wait_for_lobby_header(app, "social_logout_lobby")
                app.xdo("mousemove", "--window", app.window, str(SETTINGS_GEAR[0]), str(SETTINGS_GEAR[1]),
                        "click", "1")
                app.wait_for_log(r"VXScene_setting_main::OnInit_Process", timeout=15)
                time.sleep(CLICK_INTERVAL)
                app.xdo("mousemove", "--window", app.window, str(LOGOUT[0]), str(LOGOUT[1]), "click", "1")
                # The logout page of the social network, then the game's own page, which
                # closes the window; the title screen follows.
                app.wait_for_log(r'ZBWebView::Open\| "Facebook Logout" on %s' % re.escape(server.web_base),
                                 timeout=20)
                server.wait_for_trace(r"web GET /logout.php 302")
                server.wait_for_trace(r"web GET /web_content/facebook_logout.htm 200")
                app.wait_for_log(r"(?s)Facebook Logout.*ZBWebView\| page call set_close", timeout=20)
                self.wait_for_no_window(app, "^Facebook Logout$")
                app.wait_for_log(r"(?s)GameModeLobby::Cleanup.*GameModeLogin::OnInit_Process", timeout=20)
                self.wait_for_title(app, "social_logout_back")
                self.assert_no_token(app, server)


class ForcedLoginResultTest(test_lobby.LobbyTest):
    """Each forced result of the master, after a quick-start click on the title screen."""
    test_quick_start_reaches_the_lobby_and_the_normal_game_server = None

    def quick_start(self, app):
        app.xdo("mousemove", "--window", app.window, "20", "20", "mousemove", "--window", app.window,
                str(QUICK_CENTRE[0]), str(QUICK_CENTRE[1]), "click", "1")

    def test_account_in_use_shows_its_box_and_logs_out(self):
        with Xvfb() as x, LocalServer(self.root, "--force-login-result", "4") as server:
            self.write_settings(server.master_port, auto_login=1)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                self.wait_for_title(app, "forced4_title")
                self.quick_start(app)
                app.wait_for_log(r"GameModeLogin::OnLoginReply result 4")
                app.wait_for_log(r"GameNotify::Update box open")
                # Logged out: the connection is closed and auto-login is off.
                app.wait_for_log(r"(?s)OnLoginReply result 4.*GameLogic::OnClose\(0\)", timeout=15)
                self.assertEqual(self.settings().get("auto_login"), 0)
                self.assertNotIn("GameModeLobby::Create", app.log_text())
                # The title screen stays; the next click connects and greets anew.
                app.key("Escape")
                app.wait_for_log(r"GameNotify::Update box closed")
                time.sleep(CLICK_INTERVAL)
                self.quick_start(app)
                app.wait_for_log(r"(?s)GameLogic::OnClose\(0\).*CGameSession::Connect.*VX_PROTOCOL_HELLO::version"
                                 r".*Send_Login kind 1", timeout=15)

    def test_maintenance_opens_the_maintenance_page_in_the_browser(self):
        bin_dir = os.path.join(self.root, "bin")
        record = os.path.join(self.root, "xdg-open.args")
        os.makedirs(bin_dir)
        stand_in = os.path.join(bin_dir, "xdg-open")
        with open(stand_in, "w") as f:
            f.write("#!/bin/sh\nfor a in \"$@\"; do printf '%%s\\n' \"$a\"; done >> '%s'\n" % record)
        os.chmod(stand_in, os.stat(stand_in).st_mode | stat.S_IXUSR)
        with Xvfb() as x, LocalServer(self.root, "--force-login-result", "7") as server:
            self.write_settings(server.master_port, web_base="http://127.0.0.1:9")
            app = TolvanRun(x, test_mode=None, extra_env={
                "TOLVAN_CONFIG_DIR": self.config, "TOLVAN_DATA_DIR": self.data,
                "PATH": bin_dir + os.pathsep + os.environ.get("PATH", "")})
            try:
                app.start(ready=r"VX_PROTOCOL_HELLO::version", timeout=30)
                self.wait_for_title(app, "forced7_title")
                self.quick_start(app)
                app.wait_for_log(r"GameModeLogin::OnLoginReply result 7")
                end = time.time() + 10
                while not (os.path.exists(record) and read(record).endswith("\n")):
                    self.assertLess(time.time(), end, "the browser was not asked for a page")
                    time.sleep(0.05)
                # One argument: the page, nothing that could pass for an option.
                self.assertEqual(read(record).splitlines(),
                                 ["http://127.0.0.1:9/web_content/maintance.htm"])
                self.assertNotIn("GameModeLobby::Create", app.log_text())
            finally:
                app.__exit__(None, None, None)

    def test_greet_again_shows_the_error_and_the_next_click_says_hello_first(self):
        with Xvfb() as x, LocalServer(self.root, "--force-login-result", "8") as server:
            self.write_settings(server.master_port)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                self.wait_for_title(app, "forced8_title")
                self.quick_start(app)
                app.wait_for_log(r"GameModeLogin::OnLoginReply result 8")
                app.wait_for_log(r"GameNotify::Update box open")
                self.assertEqual(len(re.findall(r"VX_PROTOCOL_HELLO::version", app.log_text())), 1)
                app.key("Escape")
                app.wait_for_log(r"GameNotify::Update box closed")
                time.sleep(CLICK_INTERVAL)
                self.quick_start(app)
                app.wait_for_log(r"(?s)GameNotify::Update box closed.*VX_PROTOCOL_HELLO::version", timeout=15)
                app.wait_for_log(r"(?s)OnLoginReply result 8.*OnLoginReply result 8", timeout=15)
                # The hello came before the second login went out.
                log = app.log_text()
                second = log.index("GameNotify::Update box closed")
                self.assertLess(log.index("VX_PROTOCOL_HELLO::version", second),
                                log.index("GameModeLogin::Send_Login", second))


if __name__ == "__main__":
    unittest.main()
