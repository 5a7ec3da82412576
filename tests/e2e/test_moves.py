"""The own turn played with real clicks against the local server on fixed deals.

A new quick-start account starts a round at a table with three bots. In its own turn,
clicks that must be refused (throw, down and attach with nothing selected, a first meld
without a pile card, an attach of a card that no meld takes) show their alert and send
nothing (the server traces no move of the seat).
Then, on one deal, a click on the stock draws and a selected hand card is thrown; on
another, the pile card is taken into a set with two hand cards, a hand card is attached
to that set through its target button, and a card is thrown. The server's trace shows
each move and no refused one.
"""
import contextlib
import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tolvan_e2e import Xvfb  # noqa: E402
from test_lobby import NORMAL_GAME  # noqa: E402
from test_login import LocalServer, click, register  # noqa: E402
from test_table import FIRST_ROOM, PACK, START, STOCK, THROW, TableTest  # noqa: E402

PILE_TOP = (455, 375)         # the only pile card: from (420, 330)
ATTACH = (446, 519)           # attach button 170 x 90 from (361, 474)
TARGET_1 = (468, 248)         # first attach target 120 x 50 from (408, 223)
DOWN = (229, 519)             # first-meld button 170 x 90 from (144, 474)


def hand_card(i):
    """Centre of the visible strip of own hand card i (layout 0, first row)."""
    return (295 + 56 * i + 20, 640)



# Seat 0 (the first player, who starts) holds 3 4 16 29 21 36 11: a set of threes from the
# hand alone (3 16 29), and the pile card 42 (another three) makes one with 16 and 29.
OWN_HAND = [3, 4, 16, 29, 21, 36, 11]
PILE_CARD = 42


def fixed_deal(own_hand, pile_card, stock_top=()):
    """The pack that deals `own_hand` to seat 0 (of four), opens the pile with
    `pile_card` and puts `stock_top` on top of the stock; the other cards in code order."""
    used = set(own_hand) | {pile_card} | set(stock_top)
    rest = [c for c in range(52) if c not in used]
    pack = []
    for i in range(7):
        pack.append(own_hand[i])
        pack.extend(rest[3 * i:3 * i + 3])
    pack.append(pile_card)
    pack.extend(stock_top)
    pack.extend(rest[21:])
    return pack


def meld_deal():
    return fixed_deal(OWN_HAND, PILE_CARD)


def options(pack, *extra):
    """The server's options for a fixed deal; `extra` adds to them."""
    return ["--turn-seconds", "40", "--bot-think-ms", "250", "--auto-start-ms", "0",
            "--bots-per-table", "3", "--bot-seat-ms", "300", "--deal", ",".join(map(str, pack)),
            "--log-level", "3"] + list(extra)


class MovesTest(TableTest):
    test_a_round_from_the_room_list_to_the_result_and_back_to_the_lobby = None

    def own_turn(self, app, server, name):
        """Logs in, starts a round and waits for the own turn; returns (own seat, hand in
        the order drawn, table number)."""
        self.wait_for_title(app, name + "_title")
        click(app, (640, 403))
        app.wait_for_log(r"GameModeLogin::OnLoginReply result 0")
        register(app, name.capitalize())
        app.wait_for_log(r"GameModeLobby::OnInit_Process \.\.\.", timeout=15)
        self.wait_for_lobby_header(app, name + "_lobby")
        click(app, NORMAL_GAME)
        app.wait_for_log(r"VXScene_game::OnInit_Process", timeout=30)
        time.sleep(0.6)
        click(app, FIRST_ROOM)
        info = app.wait_for_log(
            r"GameModePlay::OnPacket\| 206 table info mode 0: (\d) seated, own seat (\d), host (-?\d+)", timeout=30)
        own = int(info.group(2))
        # Every other seat ready as the table shows it (a ready that came before the
        # table itself is in the table's own message).
        app.wait_for_log(r"GameModePlay::Update_Start_Buttons\| start enabled: 3 others, all ready", timeout=20)
        deadline = time.time() + 30
        while "217 game start" not in app.log_text():
            click(app, START[0])
            if time.time() > deadline:
                self.fail("the round did not start")
            time.sleep(0.7)
        start = app.wait_for_log(r"GameModePlay::OnPacket\| 217 game start: own seat (\d), .*, hand ([\d ]*)",
                                 timeout=15)
        app.wait_for_log(r"GameModePlay::OnPacket\| 215 turn of seat %d \(own seat %d\)" % (own, own), timeout=60)
        time.sleep(1.0)  # the deal's animation
        table = re.search(r"table entry: account \S+ at table (\d+)", self.server_log(server)).group(1)
        return own, [int(c) for c in start.group(2).split()], table

    @contextlib.contextmanager
    def at_own_turn(self, server_options, name):
        """The local server with `server_options` and the program, played up to the own
        turn of a new account; yields (app, server, own seat, hand as dealt, table)."""
        with Xvfb() as x, LocalServer(self.root, *server_options) as server:
            self.write_settings(server.master_port)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                own, hand, table = self.own_turn(app, server, name)
                yield app, server, own, hand, table

    def test_a_pile_take_into_a_set_an_attach_through_its_target_and_a_throw(self):
        with self.at_own_turn(options(meld_deal()), "melds") as (app, server, own, hand, table):
            self.assertEqual(own, 0)
            self.assertEqual(sorted(hand), sorted(OWN_HAND))
            own_moves = r"table %s seat %d move" % (table, own)
            # A first meld from the hand alone is refused.
            for code in (3, 16, 29):
                click(app, hand_card(hand.index(code)))
                time.sleep(0.2)
            click(app, DOWN)
            app.wait_for_log(r"GameModePlay::Alert 172", timeout=10)
            time.sleep(0.5)
            self.assertNotIn(own_moves, self.server_log(server), "the refused meld sends nothing")
            # The pile card with the two other threes.
            click(app, hand_card(hand.index(3)))  # unselected again
            time.sleep(0.2)
            click(app, PILE_TOP)
            time.sleep(0.3)
            app.screenshot("melds_picked")
            click(app, DOWN)
            app.wait_for_log(r"GameModePlay::OnPacket\| 216 down by seat %d," % own, timeout=10)
            time.sleep(0.8)
            rest = [c for c in hand if c not in (16, 29)]
            # Refused: attach with nothing selected, and a card no meld takes (no target).
            moves_so_far = self.server_log(server).count(own_moves)
            click(app, ATTACH)
            app.wait_for_log(r"GameModePlay::Alert 168", timeout=10)
            click(app, hand_card(rest.index(36)))
            time.sleep(0.6)  # a button takes one click per half second
            click(app, ATTACH)
            app.wait_for_log(r"GameModePlay::Alert 165", timeout=10)
            time.sleep(0.5)
            self.assertEqual(moves_so_far, self.server_log(server).count(own_moves),
                             "the refused attaches send nothing")
            click(app, hand_card(rest.index(36)))  # unselected again
            time.sleep(0.2)
            # The last three goes onto the set through the target button.
            click(app, hand_card(rest.index(3)))
            time.sleep(0.2)
            click(app, ATTACH)
            time.sleep(0.4)
            app.screenshot("melds_targets")
            click(app, TARGET_1)
            app.wait_for_log(r"GameModePlay::OnPacket\| 216 attach by seat %d," % own, timeout=10)
            time.sleep(0.8)
            rest.remove(3)
            click(app, hand_card(0))
            time.sleep(0.2)
            click(app, THROW)
            app.wait_for_log(r"GameModePlay::OnPacket\| 216 throw by seat %d, card %d" % (own, rest[0]),
                             timeout=10)
            trace = self.server_log(server)
            self.assertRegex(trace, r"table %s seat 0 move: down [\d,]+ kind 3 knock 0 from the pile" % table)
            self.assertRegex(trace, r"table %s seat 0 move: attach 3 to seat 0 meld 0" % table)
            self.assertRegex(trace, r"table %s seat 0 move: throw %d" % (table, rest[0]))
            self.assertNotIn("move refused", trace)

    def test_refused_clicks_send_nothing_and_a_draw_and_a_throw_reach_the_server(self):
        with self.at_own_turn(options(PACK), "moves") as (app, server, own, hand, table):
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
