"""The own turn played with real clicks against the local server on a fixed deal.

A new quick-start account starts a round at a table with three bots. In its own turn,
clicks that must be refused (throw and down with nothing selected) show their alert and
send nothing (the server traces no move of the seat); then a click on the stock draws,
a click on a hand card selects it and the throw button throws it. The server's trace
shows the draw and the throw of that card and no refused move.
"""
import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tolvan_e2e import Xvfb  # noqa: E402
from test_lobby import NORMAL_GAME  # noqa: E402
from test_login import LocalServer, click, register  # noqa: E402
from test_table import FIRST_ROOM, PACK, START, TableTest  # noqa: E402

STOCK = (310, 376)            # layout 0 stock: (270, 325) to (351, 427)
THROW = (627, 519)            # throw button 170 x 90 from (542, 474)
DOWN = (229, 519)             # first-meld button 170 x 90 from (144, 474)


def hand_card(i):
    """Centre of the visible strip of own hand card i (layout 0, first row)."""
    return (295 + 56 * i + 20, 640)


SERVER_OPTIONS = ["--turn-seconds", "40", "--bot-think-ms", "250", "--auto-start-ms", "0",
                  "--bots-per-table", "3", "--bot-seat-ms", "300", "--deal", ",".join(map(str, PACK)),
                  "--log-level", "3"]


class MovesTest(TableTest):
    test_a_round_from_the_room_list_to_the_result_and_back_to_the_lobby = None

    def test_refused_clicks_send_nothing_and_a_draw_and_a_throw_reach_the_server(self):
        with Xvfb() as x, LocalServer(self.root, *SERVER_OPTIONS) as server:
            self.write_settings(server.master_port)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                self.wait_for_title(app, "moves_title")
                click(app, (640, 403))
                app.wait_for_log(r"GameModeLogin::OnLoginReply result 0")
                register(app, "Moves")
                app.wait_for_log(r"GameModeLobby::OnInit_Process \.\.\.", timeout=15)
                self.wait_for_lobby_header(app, "moves_lobby")
                click(app, NORMAL_GAME)
                app.wait_for_log(r"VXScene_game::OnInit_Process", timeout=30)
                time.sleep(0.6)
                click(app, FIRST_ROOM)
                info = app.wait_for_log(
                    r"GameModePlay::OnPacket\| 206 table info mode 0: (\d) seated, own seat (\d), host (-?\d+)",
                    timeout=30)
                own = int(info.group(2))
                for seat in range(4):
                    if seat != own:
                        app.wait_for_log(r"GameModePlay::OnPacket\| 214 seat %d ready" % seat, timeout=20)
                deadline = time.time() + 30
                while "217 game start" not in app.log_text():
                    click(app, START[0])
                    if time.time() > deadline:
                        self.fail("the round did not start")
                    time.sleep(0.7)
                start = app.wait_for_log(
                    r"GameModePlay::OnPacket\| 217 game start: own seat (\d), host \d, mission card (-?\d+), "
                    r"stock (\d+), hand ([\d ]*)", timeout=15)
                app.wait_for_log(r"GameModePlay::OnPacket\| 215 turn of seat %d \(own seat %d\)" % (own, own),
                                 timeout=60)
                time.sleep(1.0)  # the deal's animation
                table = re.search(r"table entry: account \S+ at table (\d+)", self.server_log(server)).group(1)
                own_moves = r"table %s seat %d move" % (table, own)

                # Refused: throw and down with nothing selected.
                click(app, THROW)
                app.wait_for_log(r"GameModePlay::Alert 169", timeout=10)
                click(app, DOWN)
                app.wait_for_log(r"GameModePlay::Alert 166", timeout=10)
                time.sleep(0.5)
                self.assertNotIn(own_moves, self.server_log(server), "refused clicks send nothing")
                app.screenshot("moves_alert")

                # The draw from the stock.
                click(app, STOCK)
                app.wait_for_log(r"GameModePlay::OnPacket\| 216 draw by seat %d," % own, timeout=10)
                time.sleep(0.8)  # the card's flight

                # A hand card selected, then thrown.
                hand = [int(c) for c in start.group(4).split()]
                click(app, hand_card(0))
                time.sleep(0.3)
                app.screenshot("moves_selected")
                click(app, THROW)
                thrown = app.wait_for_log(r"GameModePlay::OnPacket\| 216 throw by seat %d, card (\d+)" % own,
                                          timeout=10)
                self.assertIn(int(thrown.group(1)), hand)
                trace = self.server_log(server)
                self.assertRegex(trace, r"table %s seat %d move: draw \d+" % (table, own))
                self.assertRegex(trace, r"table %s seat %d move: throw %s" % (table, own, thrown.group(1)))
                self.assertNotIn("move refused", trace)


if __name__ == "__main__":
    unittest.main()
