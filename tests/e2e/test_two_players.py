"""Two programs on one X server sit at the same table and finish a round with their clicks.

Each program has its own runtime, state, config and data folders, so each makes its own
device id and registers its own quick-start account. The first opens a table of the
normal game's first room with two bots; the second picks the same room and the server
seats it at that table ("joining its players"). The second gets ready, the first (the
host) starts, and each plays its own turns with clicks on its own window (raised first:
the windows lie on top of each other): a draw from the stock and a throw, and the "end"
of the last turn when the short stock runs out. The server refuses no move and settles
the round, and both programs show the settlement the server made.
"""
import contextlib
import json
import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tolvan_e2e import TolvanRun, Xvfb  # noqa: E402
from test_lobby import NORMAL_GAME  # noqa: E402
from test_login import LocalServer, register  # noqa: E402
from test_table import FIRST_ROOM, PACK, START, TableTest, click_on  # noqa: E402

# Two bots, so the second player finds a free seat; a stock of six cards makes the round
# a few turns long; the host starts it.
SERVER_OPTIONS = ["--turn-seconds", "40", "--bot-think-ms", "250", "--auto-start-ms", "0",
                  "--bots-per-table", "2", "--bot-seat-ms", "300", "--deal", ",".join(map(str, PACK)),
                  "--stock-cards", "6", "--result-ms", "2500", "--ranking-ms", "2500", "--log-level", "3"]


class TwoPlayersTest(TableTest):
    test_a_round_from_the_room_list_to_the_result_and_back_to_the_lobby = None

    @contextlib.contextmanager
    def running_in(self, x, ready, folder):
        """A run of the program with config and data folders of its own under `folder`,
        holding the same server settings as this test's."""
        config, data = os.path.join(folder, "config"), os.path.join(folder, "data")
        os.makedirs(config)
        with open(os.path.join(self.config, "settings.json")) as f:
            settings = json.load(f)
        with open(os.path.join(config, "settings.json"), "w") as f:
            json.dump(settings, f)
        app = TolvanRun(x, test_mode=None, extra_env={"TOLVAN_CONFIG_DIR": config, "TOLVAN_DATA_DIR": data})
        try:
            app.start(ready=ready, timeout=30)
            yield app
        finally:
            app.__exit__(None, None, None)

    def to_table(self, app, server, name):
        """Quick start, registration, the first room; returns (own seat, account)."""
        self.wait_for_title(app, name + "_title")
        click_on(app, (640, 403))
        app.wait_for_log(r"GameModeLogin::OnLoginReply result 0")
        register(app, name.capitalize())
        app.wait_for_log(r"GameModeLobby::OnInit_Process \.\.\.", timeout=15)
        self.wait_for_lobby_header(app, name + "_lobby")
        click_on(app, NORMAL_GAME)
        app.wait_for_log(r"VXScene_game::OnInit_Process", timeout=30)
        time.sleep(0.6)  # the list slides in
        click_on(app, FIRST_ROOM)
        table = app.wait_for_log(r"VXScene_game::HandleReply\| table (\d+) entered", timeout=30).group(1)
        info = app.wait_for_log(r"GameModePlay::OnPacket\| 206 table info mode 0: \d seated, own seat (\d)",
                                timeout=20)
        seat = int(info.group(1))
        entry = server.wait_for_trace(r"table entry: account (\d+) at table %s seat %d[^\n]*" % (table, seat))
        return table, seat, entry.group(1), entry.group(0)

    def test_second_program_joins_the_first_players_table_and_both_play_the_round(self):
        with Xvfb() as x, LocalServer(self.root, *SERVER_OPTIONS) as server:
            self.write_settings(server.master_port)
            with self.running_in(x, r"VX_PROTOCOL_HELLO::version", os.path.join(self.root, "first")) as first:
                table, seat_a, account_a, _ = self.to_table(first, server, "first")
                with self.running_in(x, r"VX_PROTOCOL_HELLO::version",
                                     os.path.join(self.root, "second")) as second:
                    table_b, seat_b, account_b, entry_b = self.to_table(second, server, "second")
                    self.assertEqual(table_b, table, "the same table")
                    self.assertNotEqual(account_b, account_a, "two accounts (two device ids)")
                    self.assertNotEqual(seat_b, seat_a)
                    self.assertIn("joining its players", entry_b)
                    first.wait_for_log(r"207 player mode 0 on seat %d \(own seat %d\)" % (seat_b, seat_a),
                                       timeout=15)

                    # The second gets ready, the host starts once every seat is.
                    deadline = time.time() + 30
                    while not re.search(r"214 seat %d ready" % seat_b, first.log_text()):
                        self.assertLess(time.time(), deadline, "the second player never got ready")
                        click_on(second, START[0])
                        time.sleep(0.7)
                    # Every other seat ready as the host's table shows it (a bot's ready
                    # that came before the table itself is in the table's own message).
                    first.wait_for_log(r"GameModePlay::Update_Start_Buttons\| start enabled: 3 others, all ready",
                                       timeout=20)
                    deadline = time.time() + 30
                    while "217 game start" not in first.log_text():
                        self.assertLess(time.time(), deadline, "the round did not start")
                        click_on(first, START[0])
                        time.sleep(0.7)
                    second.wait_for_log(r"217 game start: own seat %d" % seat_b, timeout=15)
                    first.screenshot("two_players_first")

                    played = self.play_own_turns({seat_a: first, seat_b: second}, server, table)
                    self.assertTrue(all(played.values()), "each player had a turn: %s" % played)
                    trace = server.trace()
                    self.assertNotIn("move refused", trace)
                    for seat in (seat_a, seat_b):
                        self.assertRegex(trace, r"table %s seat %d move: draw \d+" % (table, seat))
                        self.assertRegex(trace, r"table %s seat %d move: throw \d+" % (table, seat))
                    settled = re.search(r"table %s round settled: winner -?\d+, end kind -?\d+(.*)" % table, trace)
                    chips = {int(s): int(c) for s, c in re.findall(r"; seat (\d) account \d+ total -?\d+ chips ([+-]\d+)",
                                                                   settled.group(1))}
                    self.assertEqual(sum(chips.values()), 0, "the chips only move between the seats")
                    for app in (first, second):
                        app.wait_for_log(r"218 result: winner seat", timeout=20)
                        shown = {int(s): int(c) for s, c in re.findall(
                            r"218 seat (\d): settlement (-?\d+)", app.log_text())}
                        self.assertEqual(shown, chips)
                    for seat, account in ((seat_a, account_a), (seat_b, account_b)):
                        self.assertRegex(settled.group(1), r"; seat %d account %s " % (seat, account))
                    second.screenshot("two_players_result")


if __name__ == "__main__":
    unittest.main()
