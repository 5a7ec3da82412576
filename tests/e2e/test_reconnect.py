"""A lost server and the client getting back by itself.

A new quick-start account registers and reaches the lobby against the local server;
the server is then killed. The client shows the disconnected banner with the line that
names its next try, tries the master again and again, and once the server is started
again (5 s later, same ports and database) it logs in by itself and is back in the
lobby, without ever showing the title screen.
"""
import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tolvan_e2e import TolvanRun, Xvfb  # noqa: E402,F401
from test_login import QUICK_CENTRE, LocalServer, register  # noqa: E402
from test_lobby import LobbyTest, near  # noqa: E402

BANNER_POINT = (450, 577)   # inside the banner (440, 560)-(840, 595), clear of its text
STATUS_POINT = (478, 543)   # inside the status line over it (470, 531)-(810, 556)
BANNER_FILL = (60, 36, 5)   # (74, 44, 6) at alpha 220 over a dark lobby, roughly


class ReconnectTest(LobbyTest):
    test_quick_start_reaches_the_lobby_and_the_normal_game_server = None

    def test_killed_server_back_after_5s_finds_the_client_in_the_lobby_by_itself(self):
        db = ["--db", os.path.join(self.root, "server.db"), "--http-port", "0"]
        with Xvfb() as x:
            first = LocalServer(self.root, *db)
            first.__enter__()
            try:
                port = first.master_port
                self.write_settings(port)
                with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                    self.wait_for_title(app, "reconnect_title")
                    app.xdo("mousemove", "--window", app.window, str(QUICK_CENTRE[0]), str(QUICK_CENTRE[1]),
                            "click", "1")
                    register(app, "Reconnect")
                    app.wait_for_log(r"GameModeLobby::OnInit_Process \.\.\.", timeout=20)
                    self.wait_for_lobby_header(app, "reconnect_lobby")
                    titles_before = app.log_text().count("GameModeLogin::Create")

                    killed = time.time()
                    first.proc.kill()
                    first.proc.wait(timeout=10)
                    app.wait_for_log(r"GameLogic::Reconnect\| connection lost; try 1 in \d+ ms", timeout=10)
                    app.wait_for_log(r"GameLogic::Reconnect\| try 1: connecting to the master 127\.0\.0\.1:%d"
                                     % port, timeout=10)
                    app.wait_for_log(r"GameLogic::Reconnect\| try 1 failed; try 2 in \d+ ms", timeout=15)
                    shot = app.screenshot("reconnect_banner")
                    banner = app.pixel(shot, *BANNER_POINT)
                    status = app.pixel(shot, *STATUS_POINT)
                    self.assertTrue(near(banner, BANNER_FILL, tol=40), "no banner %s on %s" % (banner, shot))
                    self.assertTrue(near(status, BANNER_FILL, tol=40), "no try line %s on %s" % (status, shot))

                    time.sleep(max(0.0, 5.0 - (time.time() - killed)))
                    second = LocalServer(self.root, "--master-port", str(port), *db)
                    second.__enter__()
                    try:
                        back = app.wait_for_log(r"GameLogic::Reconnect\| back after (\d+) tries", timeout=40)
                        print("server back 5 s after the kill; client logged in again after %s tries, "
                              "%.1f s after the kill" % (back.group(1), time.time() - killed))
                        log = app.log_text()
                        tries = [int(n) for n in re.findall(r"GameLogic::Reconnect\| try (\d+): connecting", log)]
                        self.assertEqual(tries, list(range(1, len(tries) + 1)), "each try is named in turn")
                        self.assertGreaterEqual(len(tries), 2)
                        # The waits grow: the gaps between the tries' starts never shrink by much.
                        waits = [int(w) for w in re.findall(r"try \d+ failed; try \d+ in (\d+) ms", log)]
                        for i, w in enumerate(waits):
                            base = min(1000 * 2 ** (i + 1), 15000)
                            self.assertTrue(base // 2 <= w <= base, "wait %d of %s" % (i + 2, waits))
                        self.assertEqual(log.count("GameModeLogin::Create"), titles_before,
                                         "the title screen never came back")
                        # The lobby again, with its header and without the banner.
                        shot = self.wait_for_lobby_header(app, "reconnect_lobby_again")
                        end = time.time() + 10
                        while near(app.pixel(shot, *BANNER_POINT), BANNER_FILL, tol=40):
                            self.assertLess(time.time(), end, "the banner stays on " + shot)
                            time.sleep(0.2)
                            shot = app.screenshot("reconnect_lobby_again")
                    finally:
                        second.__exit__(None, None, None)
            finally:
                first.__exit__(None, None, None)


if __name__ == "__main__":
    unittest.main()
