"""A new quick-start account registers its name and avatar, then goes on to the lobby.

The real program starts under Xvfb against build/tolvan-server on ports the OS picked.
The test clicks quick start on the title screen, waits for the registration scene, tries
to confirm without a name (nothing may be sent), types a name, picks the second avatar,
confirms, and follows the server's acceptance to the lobby in the program's log. The
server's database then holds the name and the avatar.
"""
import os
import sqlite3
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_login as login_e2e  # noqa: E402  (the title-screen helpers and the local server)
from tolvan_e2e import Xvfb  # noqa: E402

from test_login import CLICK_INTERVAL, CONFIRM, NAME_FIELD, SECOND_AVATAR  # noqa: E402


class RegistrationTest(unittest.TestCase):
    # The title-screen test's folders, settings and runs, without its tests.
    setUp = login_e2e.LoginTest.setUp
    tearDown = login_e2e.LoginTest.tearDown
    write_settings = login_e2e.LoginTest.write_settings
    running = login_e2e.LoginTest.running
    wait_for_title = login_e2e.LoginTest.wait_for_title

    def click(self, app, point):
        app.xdo("mousemove", "--window", app.window, str(point[0]), str(point[1]), "click", "1")

    def test_a_new_quick_start_account_registers_and_goes_on_to_the_lobby(self):
        with Xvfb() as x, login_e2e.LocalServer(self.root) as server:
            self.write_settings(server.master_port)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                self.wait_for_title(app, "regist_title")
                self.click(app, login_e2e.QUICK_CENTRE)
                app.wait_for_log(r"GameModeLogin::OnLoginReply result 0", timeout=20)
                app.wait_for_log(r"VXScene_regist::OnInit_Process", timeout=20)
                app.screenshot("regist_scene")

                # No name: confirm sends nothing.
                self.click(app, CONFIRM)
                time.sleep(CLICK_INTERVAL)

                self.click(app, NAME_FIELD)
                app.xdo("windowfocus", "--sync", app.window)
                app.xdo("type", "--delay", "60", "Somchai")
                self.click(app, SECOND_AVATAR)
                time.sleep(CLICK_INTERVAL)
                self.click(app, CONFIRM)

                app.wait_for_log(r"VXScene_regist::Confirm avatar 1", timeout=20)
                app.wait_for_log(r"VXScene_regist::OnAnswer\| registration accepted", timeout=20)
                app.wait_for_log(r"GameModeLobby::Create \*{10}|VXScene_regist::OnHidden\| no lobby mode",
                                 timeout=20)
                # The empty confirm came first and sent nothing: one registration only.
                self.assertEqual(app.log_text().count("VXScene_regist::Confirm"), 1)

        db = sqlite3.connect(os.path.join(self.root, "server.db"))
        try:
            rows = db.execute("SELECT nickname, character FROM accounts").fetchall()
        finally:
            db.close()
        self.assertIn(("Somchai", 1), rows)


if __name__ == "__main__":
    unittest.main()
