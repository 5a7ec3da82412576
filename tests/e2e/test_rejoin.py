"""A dropped connection at the table, and the client going straight back to it.

A new quick-start account registers, enters the normal game's first room and sits at a
table with the bots. The local server then drops every client connection as a network
failure would (SIGUSR2), holding the seat. The client shows the disconnected banner,
tries the master again by itself and logs in; the login reply says the player is still
seated, so the client goes through the lobby's server back to the same table, where the
server seats it at its held seat.
"""
import os
import re
import signal
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tolvan_e2e import TolvanRun, Xvfb  # noqa: E402,F401
from test_login import QUICK_CENTRE, LocalServer, register  # noqa: E402
from test_lobby import NORMAL_GAME, LobbyTest  # noqa: E402

FIRST_ROOM = (133, 436)  # the first plate of the room list (266 wide from x 0, y 282 to 590)


class RejoinTest(LobbyTest):
    test_quick_start_reaches_the_lobby_and_the_normal_game_server = None

    def server_log(self, server):
        with open(server.err_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def wait_server(self, server, pattern, timeout=20):
        end = time.time() + timeout
        while True:
            m = re.search(pattern, self.server_log(server))
            if m:
                return m
            if time.time() > end:
                self.fail("no server line %r; server log:\n%s" % (pattern, self.server_log(server)[-3000:]))
            time.sleep(0.05)

    def test_dropped_connection_at_the_table_goes_back_to_the_held_seat(self):
        with Xvfb() as x, LocalServer(self.root, "--http-port", "0", "--log-level", "3") as server:
            self.write_settings(server.master_port)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                self.wait_for_title(app, "rejoin_title")
                app.xdo("mousemove", "--window", app.window, str(QUICK_CENTRE[0]), str(QUICK_CENTRE[1]),
                        "click", "1")
                register(app, "Rejoiner")
                app.wait_for_log(r"GameModeLobby::OnInit_Process \.\.\.", timeout=20)
                self.wait_for_lobby_header(app, "rejoin_lobby")
                app.xdo("mousemove", "--window", app.window, str(NORMAL_GAME[0]), str(NORMAL_GAME[1]),
                        "click", "1")
                app.wait_for_log(r"GameModeLobby::Show_Scene \.\.\. 16", timeout=30)
                time.sleep(1.0)  # the list slides in
                app.xdo("mousemove", "--window", app.window, str(FIRST_ROOM[0]), str(FIRST_ROOM[1]),
                        "click", "1")
                table = app.wait_for_log(r"VXScene_game::HandleReply\| table (\d+) entered", timeout=30).group(1)
                app.wait_for_log(r"GameModePlay::OnInit_Process", timeout=20)
                entry = self.wait_server(server, r"table entry: account (\d+) at table %s seat (\d+)" % table)
                account, seat = entry.group(1), entry.group(2)
                titles_before = app.log_text().count("GameModeLogin::Create")
                plays_before = app.log_text().count("GameModePlay::OnInit_Process")

                server.proc.send_signal(signal.SIGUSR2)
                self.wait_server(server, r"dropped \d+ connections")
                self.wait_server(server, r"table %s seat %s held for account %s" % (table, seat, account))
                app.wait_for_log(r"GameLogic::Reconnect\| connection lost; try 1 in \d+ ms", timeout=10)
                app.screenshot("rejoin_banner")
                back = app.wait_for_log(r"GameLogic::Reconnect\| back after (\d+) tries", timeout=30)
                print("back on the master after %s tries" % back.group(1))
                # The login reply names the table: through the lobby to the game server
                # and the room request for that very table.
                app.wait_for_log(r"VXScene_game::StartEntry\| type \d+ stake \d+ table %s" % table, timeout=20)
                self.wait_server(server, r"table entry: account %s at table %s seat %s.*back at its held seat"
                                 % (account, table, seat), timeout=30)
                end = time.time() + 30
                while app.log_text().count("GameModePlay::OnInit_Process") <= plays_before:
                    self.assertLess(time.time(), end, "not back at the table")
                    time.sleep(0.1)
                log = app.log_text()
                self.assertEqual(len(re.findall(r"VXScene_game::HandleReply\| table %s entered" % table, log)), 2)
                self.assertEqual(log.count("GameModeLogin::Create"), titles_before, "no title screen on the way")
                app.screenshot("rejoin_table_again")


if __name__ == "__main__":
    unittest.main()
