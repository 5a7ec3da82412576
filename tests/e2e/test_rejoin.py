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
from test_login import CLICK_INTERVAL, QUICK_CENTRE, LocalServer, click, register  # noqa: E402
from test_lobby import NORMAL_GAME  # noqa: E402
from test_table import HAND_CARD_0, PACK, START, STOCK, THROW, TableTest, server_hands  # noqa: E402

FIRST_ROOM = (133, 436)  # the first plate of the room list (266 wide from x 0, y 282 to 590)

# A round to drop out of and come back to: the fixed deal, the host starts, and bots slow
# enough that the round is still in play when the client is back.
ROUND_OPTIONS = ["--turn-seconds", "40", "--bot-think-ms", "1500", "--auto-start-ms", "0",
                 "--bots-per-table", "3", "--bot-seat-ms", "300", "--deal", ",".join(map(str, PACK)),
                 "--result-ms", "2500", "--ranking-ms", "2500", "--log-level", "3"]


class RejoinTest(TableTest):
    test_a_round_from_the_room_list_to_the_result_and_back_to_the_lobby = None

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

    def to_table(self, app, server, name):
        """Quick start, registration and the normal game's first room; returns (table,
        account, seat) as the server traces the entry."""
        self.wait_for_title(app, name + "_title")
        click(app, QUICK_CENTRE)
        register(app, name.capitalize())
        app.wait_for_log(r"GameModeLobby::OnInit_Process \.\.\.", timeout=20)
        self.wait_for_lobby_header(app, name + "_lobby")
        click(app, NORMAL_GAME)
        app.wait_for_log(r"GameModeLobby::Show_Scene \.\.\. 16", timeout=30)
        time.sleep(1.0)  # the list slides in
        click(app, FIRST_ROOM)
        table = app.wait_for_log(r"VXScene_game::HandleReply\| table (\d+) entered", timeout=30).group(1)
        app.wait_for_log(r"GameModePlay::OnInit_Process", timeout=20)
        entry = self.wait_server(server, r"table entry: account (\d+) at table %s seat (\d+)" % table)
        return table, entry.group(1), int(entry.group(2))

    def drop_and_come_back(self, app, server, table, account, seat):
        """Drops every connection at the server and waits until the client is seated
        again at its held seat; returns the server's entry line."""
        server.proc.send_signal(signal.SIGUSR2)
        self.wait_server(server, r"dropped \d+ connections")
        self.wait_server(server, r"table %s seat %s held for account %s" % (table, seat, account))
        app.wait_for_log(r"GameLogic::Reconnect\| connection lost; try 1 in \d+ ms", timeout=10)
        back = app.wait_for_log(r"GameLogic::Reconnect\| back after (\d+) tries", timeout=30)
        print("back on the master after %s tries" % back.group(1))
        # The login reply names the table: through the lobby to the game server and the
        # room request for that very table.
        app.wait_for_log(r"VXScene_game::StartEntry\| type \d+ stake \d+ table %s" % table, timeout=20)
        return self.wait_server(server, r"table entry: account %s at table %s seat %s[^\n]*back at its held seat"
                                % (account, table, seat), timeout=30)

    def test_dropped_mid_round_the_client_gets_its_hand_back_and_finishes_the_round(self):
        with Xvfb() as x, LocalServer(self.root, *ROUND_OPTIONS) as server:
            self.write_settings(server.master_port)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                table, account, seat = self.to_table(app, server, "midround")
                # Every other seat ready as the table shows it (a ready that came before the
                # table itself is in the table's own message).
                app.wait_for_log(r"GameModePlay::Update_Start_Buttons\| start enabled: 3 others, all ready", timeout=20)
                deadline = time.time() + 30
                while "217 game start" not in app.log_text():
                    self.assertLess(time.time(), deadline, "the round did not start")
                    click(app, START[0])
                    time.sleep(0.7)
                # The first turn (a new table's first player starts) with clicks.
                app.wait_for_log(r"GameModePlay::OnPacket\| 215 turn of seat %d \(own seat %d\)" % (seat, seat),
                                 timeout=30)
                time.sleep(1.0)  # the deal's animation
                click(app, STOCK)
                app.wait_for_log(r"GameModePlay::OnPacket\| 216 draw by seat %d," % seat, timeout=10)
                time.sleep(0.8)
                click(app, HAND_CARD_0)
                time.sleep(CLICK_INTERVAL)
                click(app, THROW)
                app.wait_for_log(r"GameModePlay::OnPacket\| 216 throw by seat %d," % seat, timeout=10)

                entered = len(re.findall(r"table %s entered" % table, app.log_text()))
                entry = self.drop_and_come_back(app, server, table, account, seat)
                held = self.server_log(server)[:entry.end()]
                self.wait_for_count(app, r"VXScene_game::HandleReply\| table %s entered" % table, entered + 1, 30)
                since = [m.end() for m in re.finditer(r"table %s entered" % table, app.log_text())][-1]
                info = re.compile(r"GameModePlay::OnPacket\| 206 table info mode 0: [^\n]*state (\d+), "
                                  r"turn of seat -?\d+, stock \d+, hand ([\d ]*)")
                end = time.time() + 20
                while not info.search(app.log_text(), since):
                    self.assertLess(time.time(), end, "no table message after the rejoin")
                    time.sleep(0.1)
                back = info.search(app.log_text(), since)
                self.assertEqual(back.group(1), "2", "the live round")
                app.screenshot("rejoin_mid_round")
                # The hand shown is the hand the server holds: its deal and every move
                # it traced for the seat up to the rejoin (its own plays while away too).
                expected = server_hands(held, table)
                self.assertIsNotNone(expected, "the server traces the deal")
                self.assertEqual(sorted(int(c) for c in back.group(2).split()), expected[seat])

                played = self.play_own_turns({seat: app}, server, table, since={seat: since}, timeout=240)
                self.assertGreater(played[seat], 0, "turns played after the rejoin")
                trace = self.server_log(server)
                self.assertNotIn("move refused", trace)
                after = trace[entry.end():]
                self.assertRegex(after, r"table %s seat %d move: draw \d+" % (table, seat))
                self.assertRegex(after, r"table %s seat %d move: throw \d+" % (table, seat))
                settled = re.search(r"table %s round settled: winner -?\d+, end kind -?\d+(.*)" % table, trace)
                self.assertRegex(settled.group(1), r"; seat %d account %s total" % (seat, account))
                chips = {int(s): int(c) for s, c in re.findall(
                    r"; seat (\d) account \d+ total -?\d+ chips ([+-]\d+)", settled.group(1))}
                self.assertEqual(sum(chips.values()), 0, "the chips only move between the seats")
                app.wait_for_log(r"218 result: winner seat", timeout=20)
                time.sleep(0.5)
                shown = {int(s): int(c) for s, c in re.findall(r"218 seat (\d): settlement (-?\d+)",
                                                              app.log_text()[since:])}
                self.assertEqual(shown, chips, "the result shows the server's settlement")
                app.screenshot("rejoin_result")

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
